#include "Profile.h"
#include "WindowFixture.h"

namespace {

const char* const kCaptioned[] = {
    "ts1",   "ts2",   "grp1",  "grp5",  "grp6",  "grp7",  "grp8",    "rgNetWork", "lbl1",
    "lbl2",  "lbl4",  "lbl5",  "lbl6",  "lbl8",  "lbl9",  "lbl10",   "lbl11",     "lbl12",
    "lbl13", "lbl14", "lbl15", "lbl16", "btnIP", "btn11", "btn2",    "btn6",      "btn3",
    "btn10", "btn5",  "btn4",  "btn8",  "btn9",  "btn12", "btnTest", "btnClear",  "btnExport"};

// The text a control shows as its caption.
QString CaptionOf(TMainForm& form, const char* name) {
  QWidget* widget = form.findChild<QWidget*>(QString::fromLatin1(name));
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  return form.pgc1->tabText(form.pgc1->indexOf(widget));
}

// The window started with the shipped language files, the list set to one language.
class LanguageWindowTest : public WindowTest, public ::testing::WithParamInterface<int> {
 protected:
  std::filesystem::path WorkingDirectory() override {
    std::filesystem::copy(SourceDir() / "Language", work.path / "Language");
    profile::WriteString(List(), "General", "CurID", std::to_string(GetParam()));
    return work.path;
  }
  std::string List() const { return (work.path / "Language" / "Lang.ini").string(); }
  std::string File() const {
    const std::string ext =
        profile::ReadString(List(), "Lang", "00" + std::to_string(GetParam()) + "_Ext", "");
    return (work.path / "Language" / ("Pellow." + ext)).string();
  }
  QString Text(const std::string& key) const {
    return QString::fromStdString(profile::ReadString(File(), "ExtStr", key, ""));
  }
};

}  // namespace

TEST_P(LanguageWindowTest, CaptionsTitleHeadersAndButtonTextsFollowTheLanguage) {
  const std::string file = File();
  EXPECT_EQ(form->windowTitle().toStdString(),
            profile::ReadString(file, "MainForm", "MainForm", ""));
  for (const char* name : kCaptioned) {
    const std::string expected = profile::ReadString(file, "MainForm", name, "");
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(CaptionOf(*form, name).toStdString(), expected) << name;
  }
  EXPECT_EQ(form->font().family().toStdString(),
            profile::ReadString(file, "General", "FontName", ""));
  for (int col = 0; col < 5; ++col) {
    EXPECT_EQ(QString::fromStdString(Cell(col, 0)), Text("Text00" + std::to_string(col + 5)));
  }
  // Edit fields keep their texts.
  EXPECT_EQ(form->edtNetWorkMask->text(), "255.255.255.0");

  Connect();
  EXPECT_EQ(form->btnIP->text(), Text("BtnCaption002"));
  EXPECT_EQ(QString::fromStdString(LogTexts().back()), Text("Text001"));
  form->btnIP->click();
  EXPECT_EQ(form->btnIP->text(), Text("BtnCaption001"));
  EXPECT_EQ(QString::fromStdString(LogTexts().back()), Text("Text002"));
}

TEST_P(LanguageWindowTest, ClosingWritesTheLanguageChoiceBack) {
  form->close();
  form.reset();
  EXPECT_EQ(profile::ReadInt(List(), "General", "CurID", -7), GetParam());
}

INSTANTIATE_TEST_SUITE_P(ShippedLanguages, LanguageWindowTest, ::testing::Range(0, 5));

using NoLanguageTest = WindowTest;

TEST_F(NoLanguageTest, DesignCaptionsStayAndNumberedTextsShowThePlaceholder) {
  EXPECT_EQ(form->windowTitle(), "TagwickV1.0");
  EXPECT_EQ(form->pgc1->tabText(0), "参数设置");
  EXPECT_EQ(form->btnIP->text(), "连接");
  EXPECT_EQ(form->lbl6->text(), "DeviceID");
  Connect();
  EXPECT_EQ(form->btnIP->text(), "***");
  form->btn10->click();  // empty device ID: the refusal uses numbered texts
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "***");
  EXPECT_EQ(dialogs.boxes[0].title, "***");
}
