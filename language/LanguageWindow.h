#pragma once

#include <cstddef>
#include <string>

// A component of a window as the language object sees it. Texts are UTF-8.
class LanguageComponent {
 public:
  virtual ~LanguageComponent() = default;

  virtual std::string Name() const = 0;
  virtual bool HasCaption() const = 0;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Whether the component has a parent-font flag at all, and whether it is on (the component
  // follows its parent's font rather than keeping one of its own).
  virtual bool HasParentFont() const = 0;
  virtual bool ParentFont() const = 0;
  virtual std::string FontFace() const = 0;
  virtual int FontCharset() const = 0;
  virtual void SetFontFace(const std::string& face) = 0;
  virtual void SetFontCharset(int charset) = 0;
};

// A window as the language object sees it.
class LanguageWindow {
 public:
  virtual ~LanguageWindow() = default;

  virtual std::string Name() const = 0;
  virtual std::string Title() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual bool IsBorderless() const = 0;

  virtual std::string FontFace() const = 0;
  virtual int FontCharset() const = 0;
  virtual int FontSize() const = 0;  // points
  virtual void SetFontFace(const std::string& face) = 0;
  virtual void SetFontCharset(int charset) = 0;
  virtual void SetFontSize(int points) = 0;

  // Every component the window owns, at any depth, in creation order.
  virtual std::size_t ComponentCount() const = 0;
  virtual LanguageComponent& Component(std::size_t index) = 0;

  virtual void Redraw() = 0;
};
