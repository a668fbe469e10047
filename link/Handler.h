#pragma once

#include <deque>
#include <memory>
#include <string>

#include "DeviceWindow.h"

// One recogniser of received texts. A handler keeps no state between texts.
class Handler {
 public:
  Handler(std::string key, DeviceWindow& window) : key(std::move(key)), window(window) {}
  virtual ~Handler() = default;
  Handler(const Handler&) = delete;
  Handler& operator=(const Handler&) = delete;

  // Answers true when the text is this handler's and has been acted on.
  virtual bool Handle(std::string text) = 0;

  const std::string key;

 protected:
  // A text is claimed when the key occurs anywhere in it, letter case significant.
  bool Claims(const std::string& text) const { return text.find(key) != std::string::npos; }

  DeviceWindow& window;
};

// The ordered list of handlers. The last one added is offered every text first.
class HandlerChain {
 public:
  void Add(std::unique_ptr<Handler> handler) { handlers.push_front(std::move(handler)); }
  // Offers the text to the handlers in order; gives the one that claimed it.
  const Handler* Dispatch(const std::string& text);

  std::size_t Size() const { return handlers.size(); }
  const Handler& At(std::size_t position) const { return *handlers.at(position); }

 private:
  std::deque<std::unique_ptr<Handler>> handlers;
};

// Creates the eighteen handlers in their fixed order, each acting on `window`.
std::unique_ptr<HandlerChain> BuildHandlerChain(DeviceWindow& window);
