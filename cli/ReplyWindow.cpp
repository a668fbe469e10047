#include "ReplyWindow.h"

void ReplyWindow::SetFieldText(const std::string& field, const std::string& text) {
  if (field != "edtCardNo") {
    fields[field] = text;
    return;
  }
  // Like an edit field: no change, no change event.
  if (text == cardNoText) return;
  cardNoText = text;
  if (onReport && !text.empty()) onReport(cardNoHint, text);
}

void ReplyWindow::SetFieldHint(const std::string& field, const std::string& text) {
  if (field == "edtCardNo") cardNoHint = text;
}

void ReplyWindow::Forget() {
  fields.clear();
  pickers.reset();
  networkMode.reset();
  log.clear();
}
