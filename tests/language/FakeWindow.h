#pragma once

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "LanguageWindow.h"

namespace langtest {

// A window that records every change the language object makes to it.
class FakeComponent : public LanguageComponent {
 public:
  FakeComponent(std::string name, bool hasCaption, std::string caption, bool hasParentFont,
                bool parentFont, std::vector<std::string>* log)
      : name(std::move(name)),
        hasCaption(hasCaption),
        caption(std::move(caption)),
        hasParentFont(hasParentFont),
        parentFont(parentFont),
        log(log) {}

  std::string Name() const override { return name; }
  bool HasCaption() const override { return hasCaption; }
  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& value) override {
    if (throwOnCaption) throw std::runtime_error("caption refused");
    caption = value;
    log->push_back(name + ".caption=" + value);
  }
  bool HasParentFont() const override { return hasParentFont; }
  bool ParentFont() const override { return parentFont; }
  std::string FontFace() const override { return face; }
  int FontCharset() const override { return charset; }
  void SetFontFace(const std::string& value) override {
    face = value;
    log->push_back(name + ".face=" + value);
  }
  void SetFontCharset(int value) override {
    charset = value;
    log->push_back(name + ".charset=" + std::to_string(value));
  }

  std::string name;
  bool hasCaption;
  std::string caption;
  bool hasParentFont;
  bool parentFont;
  std::string face = "Design Face";
  int charset = 134;
  bool throwOnCaption = false;

 private:
  std::vector<std::string>* log;
};

class FakeWindow : public LanguageWindow {
 public:
  std::string Name() const override { return name; }
  std::string Title() const override { return title; }
  void SetTitle(const std::string& value) override {
    title = value;
    log.push_back("title=" + value);
  }
  bool IsBorderless() const override { return borderless; }
  std::string FontFace() const override { return face; }
  int FontCharset() const override { return charset; }
  int FontSize() const override { return size; }
  void SetFontFace(const std::string& value) override {
    face = value;
    log.push_back("face=" + value);
  }
  void SetFontCharset(int value) override {
    charset = value;
    log.push_back("charset=" + std::to_string(value));
  }
  void SetFontSize(int value) override {
    size = value;
    log.push_back("size=" + std::to_string(value));
  }
  std::size_t ComponentCount() const override { return components.size(); }
  LanguageComponent& Component(std::size_t index) override { return components.at(index); }
  void Redraw() override { log.push_back("redraw"); }

  FakeComponent& Add(const std::string& componentName, bool hasCaption,
                     const std::string& componentCaption, bool hasParentFont = true,
                     bool parentFont = true) {
    components.emplace_back(componentName, hasCaption, componentCaption, hasParentFont, parentFont,
                            &log);
    return components.back();
  }
  FakeComponent* Find(const std::string& componentName) {
    for (auto& c : components)
      if (c.name == componentName) return &c;
    return nullptr;
  }

  std::string name = "MainForm";
  std::string title = "TagwickV1.0";
  bool borderless = false;
  std::string face = "YouYuan";
  int charset = 134;
  int size = 9;
  std::deque<FakeComponent> components;  // stable references
  std::vector<std::string> log;
};

}  // namespace langtest
