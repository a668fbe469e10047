#pragma once

#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

#include "LanguageWindow.h"

// A top-level QWidget as the language object sees it, through the meta-object system:
// - the window's name is its objectName, its title the windowTitle, borderless means
//   Qt::FramelessWindowHint;
// - a font's character set is the dynamic property "charset" (int, 1 when absent), on the window
//   and on each component;
// - the components are the QWidgets below the window with a non-empty objectName, in
//   QObject::findChildren order (creation order, except that Qt moves a raised widget, such as
//   the current page of a QStackedWidget, to the end of its siblings); Qt's own internals (names
//   starting "qt_", the scroll buttons of a QTabBar) and widgets of other windows (popups,
//   dialogs parented to the window) are left out;
// - captions: QLabel text, QAbstractButton text, QGroupBox title, and for a page of a QTabWidget
//   its tab text; other widgets have none;
// - every component has a parent-font flag; it is off (the widget keeps a font of its own) when
//   the dynamic property "ownFont" is true.
// Texts are UTF-8. The adapter holds the window by pointer and is cheap: make one per use.
class QtLanguageWindow : public LanguageWindow {
 public:
  explicit QtLanguageWindow(QWidget& window);
  ~QtLanguageWindow() override;

  std::string Name() const override;
  std::string Title() const override;
  void SetTitle(const std::string& title) override;
  bool IsBorderless() const override;

  std::string FontFace() const override;
  int FontCharset() const override;
  int FontSize() const override;
  void SetFontFace(const std::string& face) override;
  void SetFontCharset(int charset) override;
  // A size below 1 point is ignored: Qt cannot show it and the font stays as it was.
  void SetFontSize(int points) override;

  // Both look at the window as it is now (widgets may have come or gone). A reference from
  // Component() stays valid as long as the adapter lives; it throws once its widget has been
  // deleted.
  std::size_t ComponentCount() const override;
  LanguageComponent& Component(std::size_t index) override;

  void Redraw() override;

 private:
  QWidget& Window() const;

  // The widgets that are components, in order.
  std::vector<QWidget*> Collect() const;

  QPointer<QWidget> window;
  std::map<const QWidget*, std::unique_ptr<LanguageComponent>> known;
  std::vector<std::unique_ptr<LanguageComponent>> retired;  // of deleted widgets
};

// The locale of Qt's own translations ("es", "zh_CN") that speaks the language of a language
// file: known by the file's extension (the list's "_Ext"), else by the character set its font
// asks for; empty when neither names a language.
QString QtTranslationLocale(const QString& languageFile, int charset);

// Loads Qt's translation for a language file from Qt's translations directory, so that standard
// buttons (OK, Cancel, Save) speak the window's language. The translation belongs to `owner` and
// is unloaded with it; without a translation for that language Qt keeps its English texts.
void LoadQtTranslation(QObject& owner, const QString& languageFile, int charset);

// Gives every named label of the window the size of its caption, keeping its left and top.
void FitLabels(QWidget& window);
