#pragma once

#include <QString>
#include <optional>

class QWidget;

enum class BoxIcon { None, Stop, Warning, Error };
enum class BoxButtons { Ok, OkCancel };
enum class BoxAnswer { Ok, Cancel };

// Every modal dialog the window shows goes through here, so that tests can see what was shown
// and answer as the operator would.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal message box kept on top of other windows.
  virtual BoxAnswer MessageBox(QWidget* owner, const QString& text, const QString& title,
                               BoxIcon icon, BoxButtons buttons) = 0;
  // The save-file dialog; nothing when the operator cancels.
  virtual std::optional<QString> SaveFileName(QWidget* owner, const QString& fileName,
                                              const QString& filter) = 0;
  // The open-file dialog for an existing file; nothing when the operator cancels.
  virtual std::optional<QString> OpenFileName(QWidget* owner, const QString& filter) = 0;
};

class QtDialogs : public Dialogs {
 public:
  BoxAnswer MessageBox(QWidget* owner, const QString& text, const QString& title, BoxIcon icon,
                       BoxButtons buttons) override;
  std::optional<QString> SaveFileName(QWidget* owner, const QString& fileName,
                                      const QString& filter) override;
  std::optional<QString> OpenFileName(QWidget* owner, const QString& filter) override;
};
