#include "LanguageAdapter.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QTabBar>
#include <QTranslator>
#include <QVariant>

#include <stdexcept>

#include "CodePage.h"
#include "TabPage.h"

namespace {

constexpr const char* kCharsetProperty = "charset";
constexpr const char* kOwnFontProperty = "ownFont";
constexpr int kDefaultCharset = 1;  // DEFAULT_CHARSET

QString Text(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string Utf8(const QString& text) {
  return text.toUtf8().toStdString();
}

int Charset(const QObject& object) {
  bool ok = false;
  int value = object.property(kCharsetProperty).toInt(&ok);
  return ok ? value : kDefaultCharset;
}

void SetFamily(QWidget& widget, const std::string& face) {
  QFont font = widget.font();
  font.setFamily(Text(face));
  widget.setFont(font);
}

// The tab widget and index when `widget` is a page of a QTabWidget.
QTabWidget* TabOf(const QWidget& widget, int& index) {
  QTabWidget* tabs = TabWidgetOf(widget);
  if (!tabs) return nullptr;
  index = tabs->indexOf(const_cast<QWidget*>(&widget));
  return index >= 0 ? tabs : nullptr;
}

class QtLanguageComponent : public LanguageComponent {
 public:
  explicit QtLanguageComponent(QWidget& widget) : widget(&widget) {}

  std::string Name() const override { return Utf8(Widget().objectName()); }

  bool HasCaption() const override {
    int index;
    const QWidget& w = Widget();
    return TabOf(w, index) || qobject_cast<const QLabel*>(&w) ||
           qobject_cast<const QAbstractButton*>(&w) || qobject_cast<const QGroupBox*>(&w);
  }

  std::string Caption() const override {
    QWidget& w = Widget();
    int index;
    if (QTabWidget* tabs = TabOf(w, index)) return Utf8(tabs->tabText(index));
    if (auto* label = qobject_cast<QLabel*>(&w)) return Utf8(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(&w)) return Utf8(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(&w)) return Utf8(group->title());
    return {};
  }

  void SetCaption(const std::string& caption) override {
    QWidget& w = Widget();
    int index;
    if (QTabWidget* tabs = TabOf(w, index))
      tabs->setTabText(index, Text(caption));
    else if (auto* label = qobject_cast<QLabel*>(&w))
      label->setText(Text(caption));
    else if (auto* button = qobject_cast<QAbstractButton*>(&w))
      button->setText(Text(caption));
    else if (auto* group = qobject_cast<QGroupBox*>(&w))
      group->setTitle(Text(caption));
  }

  bool HasParentFont() const override { return true; }
  bool ParentFont() const override { return !Widget().property(kOwnFontProperty).toBool(); }
  std::string FontFace() const override { return Utf8(Widget().font().family()); }
  int FontCharset() const override { return Charset(Widget()); }
  void SetFontFace(const std::string& face) override { SetFamily(Widget(), face); }
  void SetFontCharset(int charset) override { Widget().setProperty(kCharsetProperty, charset); }

  QWidget& Widget() const {
    if (!widget) throw std::runtime_error("the control no longer exists");
    return *widget;
  }

  bool Is(const QWidget* w) const { return widget == w; }

 private:
  QPointer<QWidget> widget;
};

}  // namespace

QtLanguageWindow::QtLanguageWindow(QWidget& window) : window(&window) {}

QtLanguageWindow::~QtLanguageWindow() = default;

QWidget& QtLanguageWindow::Window() const {
  if (!window) throw std::runtime_error("the window no longer exists");
  return *window;
}

std::string QtLanguageWindow::Name() const {
  return Utf8(Window().objectName());
}
std::string QtLanguageWindow::Title() const {
  return Utf8(Window().windowTitle());
}
void QtLanguageWindow::SetTitle(const std::string& title) {
  Window().setWindowTitle(Text(title));
}
bool QtLanguageWindow::IsBorderless() const {
  return Window().windowFlags().testFlag(Qt::FramelessWindowHint);
}

std::string QtLanguageWindow::FontFace() const {
  return Utf8(Window().font().family());
}
int QtLanguageWindow::FontCharset() const {
  return Charset(Window());
}

int QtLanguageWindow::FontSize() const {
  const QFont font = Window().font();
  // A font given in pixels has no point size of its own; report the size it is shown at.
  return font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
}

void QtLanguageWindow::SetFontFace(const std::string& face) {
  SetFamily(Window(), face);
}
void QtLanguageWindow::SetFontCharset(int charset) {
  Window().setProperty(kCharsetProperty, charset);
}

void QtLanguageWindow::SetFontSize(int points) {
  if (points < 1) return;
  QFont font = Window().font();
  font.setPointSize(points);
  Window().setFont(font);
}

std::vector<QWidget*> QtLanguageWindow::Collect() const {
  QWidget& top = Window();
  std::vector<QWidget*> found;
  for (QWidget* child : top.findChildren<QWidget*>()) {
    const QString name = child->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || child->window() != &top ||
        qobject_cast<QTabBar*>(child->parentWidget()))
      continue;
    found.push_back(child);
  }
  return found;
}

std::size_t QtLanguageWindow::ComponentCount() const {
  return Collect().size();
}

LanguageComponent& QtLanguageWindow::Component(std::size_t index) {
  QWidget* child = Collect().at(index);
  auto& entry = known[child];
  if (entry && !static_cast<QtLanguageComponent&>(*entry).Is(child)) {
    // The address of a deleted widget, reused: keep the old object for its holders.
    retired.push_back(std::move(entry));
  }
  if (!entry) entry = std::make_unique<QtLanguageComponent>(*child);
  return *entry;
}

void QtLanguageWindow::Redraw() {
  Window().update();
}

QString QtTranslationLocale(const QString& languageFile, int charset) {
  static const std::pair<const char*, const char*> kByExtension[] = {
      {"eng", "en"}, {"chs", "zh_CN"}, {"cht", "zh_TW"}, {"jpn", "ja"},
      {"esp", "es"}, {"kor", "ko"},    {"deu", "de"},    {"fra", "fr"},
      {"ita", "it"}, {"rus", "ru"},    {"ptb", "pt_BR"}, {"plk", "pl"}};
  const QString extension = QFileInfo(languageFile).suffix().toLower();
  for (const auto& [known, locale] : kByExtension) {
    if (extension == QLatin1String(known)) return QString::fromLatin1(locale);
  }
  // The East Asian character sets each belong to one language.
  switch (charset) {
    case codepage::kGb2312Charset:
      return QStringLiteral("zh_CN");
    case codepage::kChineseBig5Charset:
      return QStringLiteral("zh_TW");
    case codepage::kShiftJisCharset:
      return QStringLiteral("ja");
    case codepage::kHangeulCharset:
      return QStringLiteral("ko");
    default:
      return {};
  }
}

void LoadQtTranslation(QObject& owner, const QString& languageFile, int charset) {
  const QString locale = QtTranslationLocale(languageFile, charset);
  if (locale.isEmpty()) return;
  auto* translator = new QTranslator(&owner);
  if (translator->load(QLocale(locale), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

void FitLabels(QWidget& window) {
  for (QLabel* label : window.findChildren<QLabel*>()) {
    // A label laid out for texts that change while the window runs keeps its bounds.
    if (!label->objectName().isEmpty() && !label->property("keepBounds").toBool())
      label->adjustSize();
  }
}
