#include "LanguageAdapter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "Language.h"
#include "Profile.h"
#include "TestFiles.h"

// Fontconfig keeps its caches until the process ends; LeakSanitizer (the sanitizer build of CI)
// would report them as leaks of this test. Unused without the sanitizer.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}

namespace {

using langtest::ReadFile;
using langtest::TempDir;
using langtest::WriteFile;

QApplication& App() {
  static int argc = 1;
  static char name[] = "language_adapter_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: at exit a static Qt (the Windows build) has torn down its own globals first.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// A small window laid out the way TMainForm is: a page control with two pages, a group box,
// labels, buttons with fonts of their own, an edit, a picker and a nameless radio button.
class Window {
 public:
  Window() {
    top.setObjectName("MainForm");
    top.setWindowTitle("TagwickV1.0");
    QFont font("DejaVu Serif");
    font.setPixelSize(12);
    top.setFont(font);
    top.setProperty("charset", 134);

    tabs = new QTabWidget(&top);
    tabs->setObjectName("pgc1");
    ts1 = new QWidget;
    ts1->setObjectName("ts1");
    ts1->setProperty("ownFont", true);
    ts2 = new QWidget;
    ts2->setObjectName("ts2");
    tabs->addTab(ts1, "参数设置");
    tabs->addTab(ts2, "读卡测试");

    grp1 = new QGroupBox("网口调试", ts1);
    grp1->setObjectName("grp1");
    lbl1 = new QLabel("IP", grp1);
    lbl1->setObjectName("lbl1");
    edtIP = new QLineEdit("192.168.12.1", grp1);
    edtIP->setObjectName("edtIP");
    btnIP = new QPushButton("连接", grp1);
    btnIP->setObjectName("btnIP");
    QFont bold = btnIP->font();
    bold.setBold(true);
    bold.setPointSize(11);
    btnIP->setFont(bold);
    btnIP->setProperty("ownFont", true);
    auto* dhcp = new QRadioButton("DHCP", grp1);  // no name: not a component
    (void)dhcp;
    dtp1 = new QDateEdit(ts1);
    dtp1->setObjectName("dtp1");

    btnTest = new QPushButton("开始", ts2);
    btnTest->setObjectName("btnTest");

    popup = new QLabel("popup", &top, Qt::Popup);  // another window: not a component
    popup->setObjectName("popupLabel");
  }

  struct AppFirst {
    AppFirst() { App(); }
  } appFirst;  // the application must exist before the first widget
  QWidget top;
  QTabWidget* tabs;
  QWidget* ts1;
  QWidget* ts2;
  QGroupBox* grp1;
  QLabel* lbl1;
  QLineEdit* edtIP;
  QPushButton* btnIP;
  QDateEdit* dtp1;
  QPushButton* btnTest;
  QLabel* popup;
};

std::vector<std::string> Names(LanguageWindow& window) {
  std::vector<std::string> names;
  const std::size_t count = window.ComponentCount();
  for (std::size_t i = 0; i < count; ++i) names.push_back(window.Component(i).Name());
  return names;
}

LanguageComponent& Named(LanguageWindow& window, const std::string& name) {
  const std::size_t count = window.ComponentCount();
  for (std::size_t i = 0; i < count; ++i)
    if (window.Component(i).Name() == name) return window.Component(i);
  throw std::runtime_error("no component " + name);
}

TEST(LanguageAdapter, Window) {
  Window w;
  QtLanguageWindow adapter(w.top);
  EXPECT_EQ(adapter.Name(), "MainForm");
  EXPECT_EQ(adapter.Title(), "TagwickV1.0");
  adapter.SetTitle("Tagwick 读卡器");
  EXPECT_EQ(w.top.windowTitle(), QString::fromUtf8("Tagwick 读卡器"));
  EXPECT_FALSE(adapter.IsBorderless());
  w.top.setWindowFlag(Qt::FramelessWindowHint);
  EXPECT_TRUE(adapter.IsBorderless());

  EXPECT_EQ(adapter.FontFace(), "DejaVu Serif");
  EXPECT_EQ(adapter.FontCharset(), 134);
  EXPECT_GT(adapter.FontSize(), 0);  // given in pixels: the size it is shown at
  adapter.SetFontFace("DejaVu Sans");
  adapter.SetFontCharset(0);
  adapter.SetFontSize(10);
  EXPECT_EQ(w.top.font().family(), "DejaVu Sans");
  EXPECT_EQ(w.top.font().pointSize(), 10);
  EXPECT_EQ(adapter.FontSize(), 10);
  EXPECT_EQ(adapter.FontCharset(), 0);
  adapter.SetFontSize(0);  // ignored
  EXPECT_EQ(adapter.FontSize(), 10);

  QWidget plain;
  EXPECT_EQ(QtLanguageWindow(plain).FontCharset(), 1);
}

TEST(LanguageAdapter, ComponentsInFindChildrenOrder) {
  Window w;
  QtLanguageWindow adapter(w.top);
  std::vector<std::string> names = Names(adapter);
  // Depth first; the current page of the tab widget was raised, so ts1 comes after ts2.
  EXPECT_EQ(names, (std::vector<std::string>{"pgc1", "ts2", "btnTest", "ts1", "grp1", "lbl1",
                                             "edtIP", "btnIP", "dtp1"}));
}

TEST(LanguageAdapter, ReferencesOutliveANewCount) {
  Window w;
  QtLanguageWindow adapter(w.top);
  LanguageComponent& btnIP = Named(adapter, "btnIP");
  auto* late = new QLabel("late", w.ts2);
  late->setObjectName("lblLate");
  EXPECT_EQ(adapter.ComponentCount(), 10u);
  EXPECT_EQ(btnIP.Name(), "btnIP");
  EXPECT_EQ(Named(adapter, "lblLate").Caption(), "late");
}

TEST(LanguageAdapter, Captions) {
  Window w;
  QtLanguageWindow adapter(w.top);
  EXPECT_FALSE(Named(adapter, "pgc1").HasCaption());
  EXPECT_FALSE(Named(adapter, "edtIP").HasCaption());
  EXPECT_FALSE(Named(adapter, "dtp1").HasCaption());
  EXPECT_EQ(Named(adapter, "edtIP").Caption(), "");

  EXPECT_TRUE(Named(adapter, "ts2").HasCaption());
  EXPECT_EQ(Named(adapter, "ts2").Caption(), "读卡测试");
  Named(adapter, "ts2").SetCaption("Read test");
  EXPECT_EQ(w.tabs->tabText(1), "Read test");

  EXPECT_EQ(Named(adapter, "grp1").Caption(), "网口调试");
  Named(adapter, "grp1").SetCaption("Connection");
  EXPECT_EQ(w.grp1->title(), "Connection");

  EXPECT_EQ(Named(adapter, "lbl1").Caption(), "IP");
  Named(adapter, "lbl1").SetCaption("地址");
  EXPECT_EQ(w.lbl1->text(), QString::fromUtf8("地址"));

  EXPECT_EQ(Named(adapter, "btnIP").Caption(), "连接");
  Named(adapter, "btnIP").SetCaption("Connect");
  EXPECT_EQ(w.btnIP->text(), "Connect");

  Named(adapter, "edtIP").SetCaption("ignored");
  EXPECT_EQ(w.edtIP->text(), "192.168.12.1");
}

TEST(LanguageAdapter, Fonts) {
  Window w;
  QtLanguageWindow adapter(w.top);
  LanguageComponent& btnIP = Named(adapter, "btnIP");
  EXPECT_TRUE(btnIP.HasParentFont());
  EXPECT_FALSE(btnIP.ParentFont());
  EXPECT_TRUE(Named(adapter, "lbl1").ParentFont());
  EXPECT_EQ(btnIP.FontCharset(), 1);
  btnIP.SetFontCharset(128);
  EXPECT_EQ(w.btnIP->property("charset").toInt(), 128);
  btnIP.SetFontFace("DejaVu Sans Mono");
  EXPECT_EQ(w.btnIP->font().family(), "DejaVu Sans Mono");
  EXPECT_TRUE(w.btnIP->font().bold());
  EXPECT_EQ(w.btnIP->font().pointSize(), 11);
  EXPECT_EQ(btnIP.FontFace(), "DejaVu Sans Mono");
}

TEST(LanguageAdapter, FaceReplacesAFamilyList) {
  Window w;
  QFont font;
  font.setFamilies(
      {QStringLiteral("幼圆"), QStringLiteral("YouYuan"), QStringLiteral("DejaVu Serif")});
  font.setPixelSize(12);
  w.top.setFont(font);
  QtLanguageWindow adapter(w.top);
  EXPECT_EQ(adapter.FontFace(), "幼圆");
  adapter.SetFontFace("Noto Sans CJK JP");
  EXPECT_EQ(w.top.font().families(), QStringList{QStringLiteral("Noto Sans CJK JP")});
  adapter.SetFontSize(9);
  EXPECT_EQ(w.top.font().pointSize(), 9);
  EXPECT_EQ(w.top.font().pixelSize(), -1);
}

TEST(LanguageAdapter, DeletedWidgetIsAnErrorNotACrash) {
  Window w;
  QtLanguageWindow adapter(w.top);
  LanguageComponent& btnTest = Named(adapter, "btnTest");
  delete w.btnTest;
  EXPECT_THROW(btnTest.Caption(), std::runtime_error);
}

class AppliedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(base / "Language/Lang.ini",
              "[General]\nCurID=0\n[Lang]\n000_Ext=eng\n000_Name=English\n");
    WriteFile(base / "Language/Pellow.eng",
              "[General]\nFontName=DejaVu Sans\nCharset=1\nFontSize=9\n"
              "[MainForm]\nMainForm=Tagwick RFID Reader Tool\nts1=Parameters\nts2=Read test\n"
              "grp1=Connection\nlbl1=IP\nbtnIP=Connect\nbtnTest=Start\nedtIP=not a caption\n");
  }
  TempDir base;
};

TEST_F(AppliedWindowTest, ApplyLanguage) {
  Window w;
  QtLanguageWindow adapter(w.top);
  TKorvelLanguage language(base.Str(), "C");
  ASSERT_TRUE(language.ApplyLanguage(adapter));
  EXPECT_EQ(w.top.windowTitle(), "Tagwick RFID Reader Tool");
  EXPECT_EQ(w.top.font().family(), "DejaVu Sans");
  EXPECT_EQ(w.top.font().pointSize(), 9);
  EXPECT_EQ(w.top.property("charset").toInt(), 1);
  EXPECT_EQ(w.tabs->tabText(0), "Parameters");
  EXPECT_EQ(w.tabs->tabText(1), "Read test");
  EXPECT_EQ(w.grp1->title(), "Connection");
  EXPECT_EQ(w.btnIP->text(), "Connect");
  EXPECT_EQ(w.btnTest->text(), "Start");
  EXPECT_EQ(w.edtIP->text(), "192.168.12.1");
  // btnIP keeps a font of its own: new face and character set, same size and weight.
  EXPECT_EQ(w.btnIP->font().family(), "DejaVu Sans");
  EXPECT_EQ(w.btnIP->font().pointSize(), 11);
  EXPECT_TRUE(w.btnIP->font().bold());
  EXPECT_EQ(w.btnIP->property("charset").toInt(), 1);
  // A page with a font of its own takes the face too; a control that follows its parent
  // gets the window font by inheritance.
  EXPECT_EQ(w.ts1->font().family(), "DejaVu Sans");
  EXPECT_EQ(w.lbl1->font().family(), "DejaVu Sans");
  EXPECT_FALSE(w.lbl1->property("charset").isValid());
}

TEST_F(AppliedWindowTest, BorderlessKeepsItsTitle) {
  Window w;
  w.top.setWindowFlag(Qt::FramelessWindowHint);
  QtLanguageWindow adapter(w.top);
  TKorvelLanguage language(base.Str(), "C");
  ASSERT_TRUE(language.ApplyLanguage(adapter));
  EXPECT_EQ(w.top.windowTitle(), "TagwickV1.0");
  EXPECT_EQ(w.btnIP->text(), "Connect");
}

TEST_F(AppliedWindowTest, SaveLanguage) {
  Window w;
  QtLanguageWindow adapter(w.top);
  TKorvelLanguage language(base.Str(), "C");
  w.top.setWindowTitle("Saved title");
  w.btnIP->setText("断开");
  language.SaveLanguage(adapter);
  const std::string file = ReadFile(base / "Language/Pellow.eng");
  EXPECT_NE(file.find("MainForm=Saved title\n"), std::string::npos) << file;
  // Charset is written first, so the captions are stored in its code page.
  const std::string path = base / "Language/Pellow.eng";
  EXPECT_EQ(profile::ReadString(path, "MainForm", "btnIP", ""), "断开");
  EXPECT_EQ(profile::ReadString(path, "MainForm", "ts1", ""), "参数设置");
  EXPECT_NE(file.find("Charset=134\n"), std::string::npos) << file;
  EXPECT_NE(file.find("FontName=DejaVu Serif\n"), std::string::npos) << file;
  EXPECT_EQ(file.find("edtIP="), file.find("edtIP=not a caption"));  // not written
}

}  // namespace
