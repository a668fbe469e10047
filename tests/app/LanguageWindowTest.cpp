#include <QAccessible>
#include <map>

#include "DateTimePicker.h"
#include "Profile.h"
#include "WindowFixture.h"

namespace {

struct Reachable {
  QString name;
  QString group;  // the name of the group, or page, that holds it
  QString path;   // where it is, for the failure message
};

// The controls that a screen reader can move the focus to, as the window's accessibility
// interfaces show them: the whole tree, not the widgets behind it.
void FocusableIn(QAccessibleInterface* node, const QString& group, const QString& path,
                 std::vector<Reachable>& found) {
  const QAccessible::State state = node->state();
  if (state.invisible) return;
  const QAccessible::Role role = node->role();
  // A cell is named by what it holds, a header by its column's caption.
  if (role == QAccessible::Cell || role == QAccessible::ColumnHeader ||
      role == QAccessible::RowHeader) {
    return;
  }
  const QString name = node->text(QAccessible::Name);
  const QString here = path + '/' + QString::number(static_cast<int>(role)) + ':' + name;
  if (state.focusable) found.push_back({name, group, here});
  const QString inner =
      role == QAccessible::Grouping || role == QAccessible::PageTabList ? here : group;
  for (int i = 0; i < node->childCount(); ++i) {
    if (QAccessibleInterface* child = node->child(i)) FocusableIn(child, inner, here, found);
  }
}

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

// What a screen reader finds on each page: every control it can move to has a name, and no two
// controls of one group share a name.
TEST_P(LanguageWindowTest, EveryControlHasANameOfItsOwnWithinItsGroup) {
  for (int page = 0; page < form->pgc1->count(); ++page) {
    form->pgc1->setCurrentIndex(page);
    std::vector<Reachable> found;
    FocusableIn(QAccessible::queryAccessibleInterface(form.get()), QString(), QString(), found);
    ASSERT_GT(found.size(), 3u) << page;
    std::map<std::pair<QString, QString>, QString> named;
    for (const Reachable& control : found) {
      EXPECT_FALSE(control.name.trimmed().isEmpty()) << control.path.toStdString();
      const auto [at, added] = named.emplace(std::pair(control.group, control.name), control.path);
      EXPECT_TRUE(added) << (control.path + " and " + at->second).toStdString();
    }
  }
  // The fields whose rule is not plain from their caption say it.
  QAccessibleInterface* address = QAccessible::queryAccessibleInterface(form->edtNetWorkMask);
  EXPECT_EQ(address->text(QAccessible::Name), form->lbl11->text());
  EXPECT_EQ(address->text(QAccessible::Description), Text("Text039"));
}

// The date picker shows the whole date, for the date of the year widest to show, in the
// window's fonts and common system locales; the tooltip gives the long date.
TEST_P(LanguageWindowTest, TheDatePickerShowsTheWholeDate) {
  const QDate widest(2028, 9, 27);  // a Wednesday in September
  form->dtp1->SetValue(QDateTime(widest, QTime(10, 0)));
  auto* field = form->dtp1->findChild<QLineEdit*>();
  ASSERT_NE(field, nullptr);
  const QMargins margins = field->textMargins();
  const int room = field->contentsRect().width() - margins.left() - margins.right() - 4;
  // Qt's offscreen platform on Windows draws every glyph as a box as wide as the font is high:
  // there, not even a numeric date fits, and only the choice of the shortest form can be checked.
  const bool realFont =
      field->fontMetrics().horizontalAdvance(QStringLiteral("27/09/2028")) <= room;
  for (const char* name :
       {"en_US", "en_GB", "es_ES", "de_DE", "fr_FR", "pt_BR", "ru_RU", "zh_CN", "zh_TW", "ja_JP"}) {
    SCOPED_TRACE(name);
    const QLocale locale{QString::fromLatin1(name)};
    form->dtp1->setLocale(locale);
    const QString shown = field->text();
    EXPECT_TRUE(shown.contains(QStringLiteral("2028")) && shown.contains(QStringLiteral("27")))
        << shown.toStdString();
    if (realFont) {
      EXPECT_LE(field->fontMetrics().horizontalAdvance(shown), room) << shown.toStdString();
    } else {
      EXPECT_EQ(form->dtp1->displayFormat(), DateTimePicker::DateFormats(locale).last());
    }
    EXPECT_EQ(form->dtp1->toolTip(), locale.toString(widest, QLocale::LongFormat));
    EXPECT_EQ(form->dtp1->Value().date(), widest);
  }
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
