// The window on a real X server with the real dialogs, driven by real input where the order of
// events matters. Boxes are found as the active modal widget and answered by key clicks. The window
// manager works at its own pace on a loaded machine: every step waits for the state it needs
// (the window or box active, the focus in a field), never for a span of time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <thread>

#include "../common/SimProcess.h"
#include "AnalysisPage.h"
#include "AppSetup.h"
#include "ErrorGuard.h"
#include "Profile.h"
#include "Requests.h"
#include "WindowFixture.h"

namespace {

// What a modal window showed, as the X server and the operator see it.
struct SeenBox {
  QString title;   // the widget's title
  QString xTitle;  // the title the X server holds for its window
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;  // button texts, in the box's order
};

// Generous: the machine may be shared with other builds.
constexpr int kDeadlineMs = 60000;

bool WaitFor(const std::function<bool()>& condition) {
  return QTest::qWaitFor(condition, kDeadlineMs);
}

QString XDoTool(const QStringList& arguments) {
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), arguments);
  xdotool.waitForFinished(kDeadlineMs);
  QString output = QString::fromUtf8(xdotool.readAllStandardOutput());
  if (output.endsWith('\n')) output.chop(1);  // a window name may end in spaces of its own
  return output;
}

QString XWindowName(QWidget& window) {
  return XDoTool({QStringLiteral("getwindowname"), QString::number(window.winId())});
}

// Active for Qt and, through the window manager, for the X server, which sends real input to it.
bool IsActive(QWidget& window) {
  return QApplication::activeWindow() == &window &&
         XDoTool({QStringLiteral("getactivewindow")}) == QString::number(window.winId());
}
bool WaitForActive(QWidget& window) {
  return WaitFor([&] { return IsActive(window); });
}

// Runs xdotool while the window handles no events, so that what it sends arrives in one batch.
void XInput(const QStringList& arguments) {
  ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0)
      << arguments.join(' ').toStdString();
}

void XClick(QWidget& widget, QPoint at) {
  const QPoint global = widget.mapToGlobal(at);
  XInput({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
          QStringLiteral("click"), QStringLiteral("1")});
}
void XClick(QWidget& widget) {
  XClick(widget, widget.rect().center());
}

// Notes that a release of Shift, a key nothing in the window acts on, has been handled.
class ShiftReleaseSeen : public QObject {
 public:
  bool seen = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Shift) {
      seen = true;
    }
    return false;
  }
};

// Until everything that the X server delivered before now has been handled, and what that posted
// too: input reaches the window in order, so a key sent after it arrives after it. Checks that
// something did not happen follow this.
bool Settle() {
  ShiftReleaseSeen marker;
  qApp->installEventFilter(&marker);
  XInput({QStringLiteral("key"), QStringLiteral("shift")});
  const bool seen = WaitFor([&] { return marker.seen; });
  qApp->removeEventFilter(&marker);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  return seen;
}

class DisplayTest : public ::testing::Test, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    previous = std::filesystem::current_path();
    std::filesystem::copy(SourceDir() / "Language", work.path / "Language");
    profile::WriteString(List(), "General", "CurID", std::to_string(Language()));
    std::filesystem::current_path(work.path);
    form = std::make_unique<TMainForm>(dialogs, sound);
    form->FormCreate();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(WaitForActive(*form));
  }
  void TearDown() override {
    if (form) form->close();
    form.reset();
    if (!previous.empty()) std::filesystem::current_path(previous);
  }
  virtual int Language() const { return GetParam(); }

  std::string List() const { return (work.path / "Language" / "Lang.ini").string(); }
  QString Text(const std::string& section, const std::string& key) const {
    const std::string ext =
        profile::ReadString(List(), "Lang", "00" + std::to_string(Language()) + "_Ext", "");
    const std::string file = (work.path / "Language" / ("Pellow." + ext)).string();
    return QString::fromStdString(profile::ReadString(file, section, key, ""));
  }
  QString Text(const std::string& key) const { return Text("ExtStr", key); }

  void Connect() {
    form->edtIP->setText(QStringLiteral("127.0.0.1"));
    form->edtPort->setText(QString::fromStdString(device.PortText()));
    form->btnIP->click();
    ASSERT_TRUE(device.Receive().has_value());
  }

  // The focus in `field` of the active window, as the operator would have it before typing.
  bool FocusOn(QWidget* field) {
    if (!WaitForActive(*form)) return false;
    field->setFocus();
    return WaitFor([&] { return field->hasFocus(); });
  }

  // Answers each modal window, in turn, with the next of `keys` once it is the active window,
  // after noting what it shows. A window that no key was given for is noted too and closed with
  // Escape, so that a box too many fails the count instead of hanging the run.
  void Answer(std::initializer_list<Qt::Key> keys) {
    answers.insert(answers.end(), keys);
    if (poll) return;
    poll = new QTimer(form.get());
    QObject::connect(poll, &QTimer::timeout, poll, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible() || modal->property("answered").toBool() ||
          !IsActive(*modal)) {
        return;
      }
      modal->setProperty("answered", true);
      SeenBox seen{modal->windowTitle(), XWindowName(*modal), {}, QMessageBox::NoIcon, {}};
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen.text = box->text();
        seen.icon = box->icon();
      }
      if (auto* buttons = modal->findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* button : buttons->buttons()) seen.buttons << button->text();
      }
      seen.buttons.replaceInStrings(QStringLiteral("&"), QString());
      boxes.push_back(seen);
      Qt::Key key = Qt::Key_Escape;
      if (!answers.empty()) {
        key = answers.front();
        answers.pop_front();
      }
      QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, key);
    });
    poll->start(20);
  }
  // Until `count` boxes have been answered and the window manager has given the window back the
  // focus.
  bool WaitForBoxes(std::size_t count) {
    return WaitFor([&] {
      return boxes.size() >= count && !QApplication::activeModalWidget() && IsActive(*form);
    });
  }
  QColor Background(QLineEdit* field) { return field->palette().color(QPalette::Base); }

  TempDir work;
  std::filesystem::path previous;
  QtDialogs dialogs;
  FakeSound sound;
  FakeDevice device;
  std::unique_ptr<TMainForm> form;
  std::vector<SeenBox> boxes;
  std::deque<Qt::Key> answers;
  QTimer* poll = nullptr;
};

// Boxes and titles in Simplified Chinese: none of its titles ends in the application's name.
class BoxTest : public DisplayTest {
  int Language() const override { return 1; }
};

const QColor kRed(255, 0, 0);

}  // namespace

TEST_F(BoxTest, TitlesIconsAndButtonsOfEveryKindOfBox) {
  const QString title = Text("MainForm", "MainForm");
  EXPECT_EQ(form->windowTitle(), title);
  EXPECT_EQ(XWindowName(*form), title);
  Connect();

  form->edtGateWayIP->setText(QStringLiteral("192.0.2.7"));
  Answer({Qt::Key_Return});
  form->btn6->click();  // refusal: the port is empty
  Answer({Qt::Key_Escape});
  form->btn11->click();  // reboot confirmation, cancelled by Escape
  Answer({Qt::Key_Escape, Qt::Key_Return});
  form->btnExport->click();  // the save dialog, cancelled, then the export confirmation
  Answer({Qt::Key_Return});
  ShowErrorBox(dialogs, form.get(), QStringLiteral("Cannot create file /x.csv"));
  form->edtDeviceID->setText(QStringLiteral("12 34"));
  ASSERT_TRUE(FocusOn(form->edtDeviceID));
  Answer({Qt::Key_Return});
  QTest::keyClick(form->edtDeviceID, Qt::Key_Tab);  // the device-ID check's fixed texts
  ASSERT_TRUE(WaitForBoxes(6));
  ASSERT_TRUE(Settle());
  ASSERT_EQ(boxes.size(), 6u);

  const QStringList ok{QStringLiteral("确定")};
  const QStringList okCancel{QStringLiteral("确定"), QStringLiteral("取消")};
  // The save dialog has no title of its own: Qt's, in the language's translation.
  const QString saveAs = QCoreApplication::translate("QFileDialog", "Save As");
  QStringList saveCancel{QCoreApplication::translate("QFileDialog", "&Save"),
                         QCoreApplication::translate("QPlatformTheme", "Cancel")};
  saveCancel.replaceInStrings(QStringLiteral("&"), QString());
  EXPECT_NE(saveAs, QStringLiteral("Save As"));  // the translation is loaded
  struct Expected {
    QString title, text;
    QMessageBox::Icon icon;
    QStringList buttons;
  } expected[] = {
      {Text("Text004"), Text("Text011"), QMessageBox::Critical, ok},
      {Text("Text004"), Text("Text003"), QMessageBox::Warning, okCancel},
      {saveAs, {}, QMessageBox::NoIcon, saveCancel},
      {Text("Text016"), Text("Text015"), QMessageBox::NoIcon, ok},
      {QStringLiteral("Tagwick"), QStringLiteral("Cannot create file /x.csv."),
       QMessageBox::Critical, ok},
      {QStringLiteral("错误"), QStringLiteral("输入不合法，必须为至少一位的纯数字！\n清空可继续."),
       QMessageBox::Critical, ok}};
  for (std::size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(boxes[i].title, expected[i].title);
    EXPECT_EQ(boxes[i].xTitle, boxes[i].title);
    EXPECT_EQ(boxes[i].text, expected[i].text);
    EXPECT_EQ(boxes[i].icon, expected[i].icon);
    EXPECT_EQ(boxes[i].buttons, expected[i].buttons);
  }
  // Escape on the reboot confirmation cancelled it: nothing sent, still connected. A send would
  // have happened within the click, and loopback delivers at once.
  EXPECT_FALSE(device.Receive(std::chrono::milliseconds(0)));
  EXPECT_NE(udpthread, nullptr);
}

TEST_F(BoxTest, AClickThatLeavesABadFieldDoesNotAlsoPressTheButton) {
  Connect();
  form->edtGateWayIP->setText(QStringLiteral("192.0.2.7"));
  ASSERT_TRUE(FocusOn(form->edtGateWayPort));
  QTest::keyClicks(form->edtGateWayPort, QStringLiteral("80a"));
  Answer({Qt::Key_Return});
  XClick(*form->btn6);  // press and release arrive together
  ASSERT_TRUE(WaitForBoxes(1));
  ASSERT_TRUE(Settle());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, Text("Text014"));
  EXPECT_FALSE(device.Receive(std::chrono::milliseconds(0)));
  EXPECT_TRUE(form->edtGateWayPort->hasFocus());
  EXPECT_EQ(Background(form->edtGateWayPort), kRed);
  EXPECT_FALSE(form->btn6->isDown());

  // Two Tabs in one batch: the field in the middle is checked as it is left.
  form->edtGateWayPort->setText(QStringLiteral("80"));
  form->edtNetWorkMask->setText(QStringLiteral("255.255.255.255"));
  ASSERT_TRUE(FocusOn(form->edtNetWorkIP));
  Answer({Qt::Key_Return});
  XInput({QStringLiteral("key"), QStringLiteral("Tab"), QStringLiteral("Tab")});
  ASSERT_TRUE(WaitForBoxes(2));
  ASSERT_TRUE(Settle());
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, Text("Text012"));
  EXPECT_TRUE(form->edtNetWorkMask->hasFocus());
}

TEST_F(BoxTest, LeavingABadFieldByThePageTabBringsItsPageBack) {
  form->edtNetWorkDNS1->setText(QStringLiteral("1.2.3"));
  ASSERT_TRUE(FocusOn(form->edtNetWorkDNS1));
  Answer({Qt::Key_Return});
  QTabBar* tabs = form->pgc1->tabBar();
  XClick(*tabs, tabs->tabRect(1).center());
  ASSERT_TRUE(WaitForBoxes(1));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(form->pgc1->currentIndex(), 0);
  EXPECT_TRUE(form->edtNetWorkDNS1->hasFocus());
  EXPECT_EQ(Background(form->edtNetWorkDNS1), kRed);
}

TEST_F(BoxTest, LeavingAnyAddressFieldByTabOrByClickRunsItsCheck) {
  for (QLineEdit* field :
       {form->edtIP, form->edtGateWayIP, form->edtNetWorkIP, form->edtNetWorkMask,
        form->edtNetWorkGateWay, form->edtNetWorkDNS1, form->edtNetWorkDNS2}) {
    SCOPED_TRACE(field->objectName().toStdString());
    const QString kept = field->text();
    field->setText(QStringLiteral("1.2.3"));
    for (bool byTab : {true, false}) {
      boxes.clear();
      ASSERT_TRUE(FocusOn(field)) << byTab;
      Answer({Qt::Key_Return});
      if (byTab) {
        XInput({QStringLiteral("key"), QStringLiteral("Tab")});
      } else {
        XClick(*form->edtDeviceID);
      }
      ASSERT_TRUE(WaitForBoxes(1)) << byTab;
      EXPECT_EQ(boxes[0].title, Text("Text004"));
      EXPECT_EQ(boxes[0].text, Text("Text012"));
      EXPECT_TRUE(field->hasFocus());
      EXPECT_EQ(Background(field), kRed);
    }
    field->setText(kept);
  }
}

// Notes every mouse button event the window gets.
class MouseSeen : public QObject {
 public:
  int buttons = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
        type == QEvent::MouseButtonDblClick) {
      ++buttons;
    }
    return false;
  }
};

// The whole job in English, by real keys from the X server and no mouse at all.
class KeyboardTest : public DisplayTest {
 protected:
  int Language() const override { return 0; }
  // Sends keys as the operator types them and waits until the window has handled them.
  void Keys(const QStringList& keys) {
    XInput(QStringList{QStringLiteral("key")} + keys);
    ASSERT_TRUE(Settle());
  }
  // Tabs on, at least once, until `target` has the focus: the names of the stops on the way,
  // `target`'s last.
  QStringList TabTo(QWidget* target) {
    QStringList stops;
    for (int i = 0; i < 40; ++i) {
      Keys({QStringLiteral("Tab")});
      if (HasFatalFailure()) break;
      QWidget* focus = QApplication::focusWidget();
      // A radio item has no name of its own: its caption stands for it.
      auto* item = qobject_cast<QRadioButton*>(focus);
      stops << (item ? item->text() : focus ? focus->objectName() : QStringLiteral("(none)"));
      if (focus == target) break;
    }
    return stops;
  }
};

TEST_F(KeyboardTest, ConnectReadTestAndExportWithoutAMouse) {
  MouseSeen mouse;
  qApp->installEventFilter(&mouse);
  // The port field is disabled by design: the test's device port goes in as a setting would.
  form->edtPort->setText(QString::fromStdString(device.PortText()));

  // The address, then the connect button: the disabled port field takes no stop.
  EXPECT_EQ(TabTo(form->edtIP), QStringList{"edtIP"});
  Keys({QStringLiteral("ctrl+a")});
  XInput({QStringLiteral("type"), QStringLiteral("127.0.0.1")});
  Keys({QStringLiteral("Tab")});
  ASSERT_TRUE(form->btnIP->hasFocus());
  Keys({QStringLiteral("space")});
  EXPECT_EQ(device.Receive(), Request(DebugStartType("qdw")));

  // One round of Tab: each control once, group by group, in reading order.
  const QStringList round = TabTo(form->btnIP);
  const QStringList expected{"btn11",
                             "edtGateWayIP",
                             "edtGateWayPort",
                             "btn2",
                             "btn6",
                             "edtDeviceID",
                             "btn3",
                             "btn10",
                             "dtp1",
                             "dtp2",
                             "btn5",
                             "btn4",
                             "DHCP",
                             "edtNetWorkIP",
                             "edtNetWorkMask",
                             "edtNetWorkDNS1",
                             "edtNetWorkGateWay",
                             "edtNetWorkDNS2",
                             "btn8",
                             "btn9",
                             "mmo1",
                             "qt_tabwidget_tabbar",
                             "edtIP",
                             "btnIP"};
  EXPECT_EQ(round, expected);
  const char* shots = std::getenv("TAGWICK_SCREENSHOTS");
  const auto shot = [&](const char* name) {
    if (shots) form->grab().save(QString::fromLatin1(shots) + '/' + QString::fromLatin1(name));
  };
  shot("focus-button.png");

  // The device ID, read.
  TabTo(form->btn3);
  Keys({QStringLiteral("space")});
  EXPECT_EQ(device.Receive(), Request("getdeviceid"));
  device.Send(R"({"type":"getdeviceid","deviceid":"1234"})");
  ASSERT_TRUE(WaitFor([&] { return form->edtDeviceID->text() == QStringLiteral("1234"); }));

  // The read test, from the date picker, which would take Ctrl+PgDown as a step of its own.
  TabTo(form->dtp1);
  Keys({QStringLiteral("ctrl+Next")});
  ASSERT_EQ(form->pgc1->currentIndex(), 1);
  TabTo(form->btnTest);
  Keys({QStringLiteral("space")});
  EXPECT_EQ(device.Receive(), Request("teststart"));
  device.Send(R"({"type":"epcinfo","epc":"E2001234","antid":"1","rssi":"-41"})");
  ASSERT_TRUE(WaitFor([&] { return form->Grid().Cell(1, 1) == "E2001234"; }));
  Keys({QStringLiteral("space")});
  EXPECT_EQ(device.Receive(), Request("teststop"));

  // The grid would take Ctrl+Tab as a move to its next cell.
  TabTo(form->strngrd1);
  shot("focus-grid.png");
  Keys({QStringLiteral("ctrl+Tab")});
  EXPECT_EQ(form->pgc1->currentIndex(), 2);
  Keys({QStringLiteral("ctrl+shift+Tab")});
  EXPECT_EQ(form->pgc1->currentIndex(), 1);

  // The export, through the save dialog and its confirmation.
  const QStringList toExport = TabTo(form->btnExport);
  ASSERT_TRUE(form->btnExport->hasFocus()) << toExport.join(" ").toStdString();
  const std::string csv = (work.path / "tags.csv").string();
  // The save dialog and the confirmation run their own event loops, inside the key's handling:
  // they are answered from a timer, by keys again, as each becomes the active window.
  QString confirmation;
  int answered = 0;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !IsActive(*modal) || !modal->focusWidget()) return;
    if (answered == 0 && qobject_cast<QFileDialog*>(modal)) {
      XInput({QStringLiteral("key"), QStringLiteral("ctrl+a")});
      XInput({QStringLiteral("type"), QString::fromStdString(csv)});
      XInput({QStringLiteral("key"), QStringLiteral("Return")});
      answered = 1;
    } else if (answered == 1 && qobject_cast<QMessageBox*>(modal)) {
      confirmation = static_cast<QMessageBox*>(modal)->text();
      XInput({QStringLiteral("key"), QStringLiteral("Return")});
      answered = 2;
    }
  });
  answer.start(20);
  XInput({QStringLiteral("key"), QStringLiteral("space")});
  ASSERT_TRUE(WaitFor(
      [&] { return answered == 2 && !QApplication::activeModalWidget() && IsActive(*form); }));
  EXPECT_EQ(confirmation, Text("Text015"));
  std::ifstream exported(csv);
  const std::string content{std::istreambuf_iterator<char>(exported), {}};
  EXPECT_NE(content.find("E2001234"), std::string::npos);

  ASSERT_TRUE(Settle());
  qApp->removeEventFilter(&mouse);
  EXPECT_EQ(mouse.buttons, 0);
}

// Each shipped language: every label shows its whole caption and stays clear of its neighbours.
using LabelTest = DisplayTest;

TEST_P(LabelTest, LabelsFitTheirCaptionsAndOverlapNothing) {
  for (QLabel* label : form->findChildren<QLabel*>()) {
    if (label->objectName().isEmpty()) continue;
    SCOPED_TRACE(label->objectName().toStdString() + " " + label->text().toStdString());
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    for (QWidget* other :
         label->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (other == label || other->isHidden() || other->x() < label->x()) continue;
      const QRect o = other->geometry();
      const QRect l = label->geometry();
      if (o.bottom() < l.top() || o.top() > l.bottom()) continue;
      EXPECT_LT(l.right(), o.left()) << other->objectName().toStdString();
    }
  }
  // The radio group's items sit inside its frame, below the caption, side by side.
  const QRect inside = form->rgNetWork->contentsRect();
  for (QRadioButton* item : {form->rgNetWorkDhcp, form->rgNetWorkStatic}) {
    EXPECT_TRUE(inside.contains(item->geometry())) << item->text().toStdString();
    EXPECT_GE(item->y(), form->rgNetWork->fontMetrics().height());
  }
  EXPECT_EQ(form->rgNetWorkDhcp->y(), form->rgNetWorkStatic->y());
  // Standard buttons speak the language (English is Qt's own).
  const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
  EXPECT_EQ(cancel == QLatin1String("Cancel"), Language() == 0) << cancel.toStdString();

  if (const char* shots = std::getenv("TAGWICK_SCREENSHOTS")) {
    const std::string ext =
        profile::ReadString(List(), "Lang", "00" + std::to_string(Language()) + "_Ext", "");
    form->pgc1->setCurrentIndex(0);
    form->grab().save(QString::fromStdString(std::string(shots) + "/parameters-" + ext + ".png"));
    form->pgc1->setCurrentIndex(1);
    form->grab().save(QString::fromStdString(std::string(shots) + "/read-test-" + ext + ".png"));
    form->pgc1->setCurrentIndex(0);
  }
}

INSTANTIATE_TEST_SUITE_P(ShippedLanguages, LabelTest, ::testing::Range(0, 5));

// The analysis page on a real screen, against a simulated reader whose antenna 2 is dead.
using AnalysisTest = DisplayTest;

TEST_P(AnalysisTest, ADeadAntennaFailsTheReaderAndThePageSaysWhich) {
  SimProcess sim({"--seed", "7", "--rate", "0", "--count", "200", "--heartbeat", "0", "--faults",
                  "dead-antenna=2"});
  std::ofstream(work.path / "recipe.ini") << "[Antennas]\nRead=1,2,3,4\nMinTags=5\n";
  form->edtIP->setText(QStringLiteral("127.0.0.1"));
  form->edtPort->setText(QString::number(sim.Port()));
  form->btnIP->click();
  form->btnTest->click();
  form->ts3->LoadRecipeFile(QString::fromStdString((work.path / "recipe.ini").string()));
  form->pgc1->setCurrentIndex(2);
  // Antennas 1, 3 and 4 read; antenna 2 never does, whatever else arrives.
  ASSERT_TRUE(WaitFor([&] { return form->ts3->tblAntennas->rowCount() == 3; }));
  ASSERT_TRUE(WaitFor([&] { return form->ts3->lblVerdict->text() == Text("Text029"); }));
  EXPECT_TRUE(form->ts3->mmoVerdict->toPlainText().contains(QStringLiteral("antenna 2 reads")));
  EXPECT_TRUE(form->ts3->isVisible());
  if (const char* shots = std::getenv("TAGWICK_SCREENSHOTS")) {
    // For the picture: a tag's signal plotted, and a whole second of reads in the rates.
    form->strngrd1->selectRow(0);
    ASSERT_TRUE(WaitFor([&] {
      for (const auto& antenna : form->readStats.Series(ReadStats::Clock::now())) {
        if (antenna.back() > 0) return true;
      }
      return false;
    }));
    form->ts3->Refresh();
    const std::string ext =
        profile::ReadString(List(), "Lang", "00" + std::to_string(Language()) + "_Ext", "");
    form->grab().save(QString::fromStdString(std::string(shots) + "/analysis-" + ext + ".png"));
  }
  form->btnTest->click();
}

// English and Simplified Chinese.
INSTANTIATE_TEST_SUITE_P(TwoLanguages, AnalysisTest, ::testing::Values(0, 1));

int main(int argc, char** argv) {
  // This program needs a real X server; it never falls back to another platform.
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (!std::getenv("DISPLAY") || !platform || std::string(platform) != "xcb") {
    std::cerr << "display tests need an X server: set DISPLAY and QT_QPA_PLATFORM=xcb "
                 "(ctest runs them under xvfb-run)\n";
    return 1;
  }
  // A box nobody answers would hang the run: end it with a message instead.
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::seconds(240));
    std::cerr << "display tests: no progress for 240 s, stopped\n";
    std::_Exit(1);
  }).detach();
  QApplication app(argc, argv);
  SetUpApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
