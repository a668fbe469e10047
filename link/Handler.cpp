#include "Handler.h"

const Handler* HandlerChain::Dispatch(const std::string& text) {
  for (auto& handler : handlers) {
    if (handler->Handle(text)) return handler.get();
  }
  return nullptr;
}
