#include "Handler.h"

void HandlerChain::Dispatch(const std::string& text) {
  for (auto& handler : handlers) {
    if (handler->Handle(text)) return;
  }
}
