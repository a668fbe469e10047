#pragma once

#include <QString>
#include <cstdio>
#include <optional>
#include <string>

#include "Dialogs.h"
#include "Sound.h"

// A benchmark never shows a dialog or plays a sound: a box would stall the window.
class SilentDialogs : public Dialogs {
 public:
  BoxAnswer MessageBox(QWidget*, const QString& text, const QString&, BoxIcon,
                       BoxButtons) override {
    std::fprintf(stderr, "message box: %s\n", text.toUtf8().constData());
    return BoxAnswer::Ok;
  }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> OpenFileName(QWidget*, const QString&) override { return std::nullopt; }
};

class SilentSound : public Sound {
 public:
  void Play(const std::string&) override {}
};
