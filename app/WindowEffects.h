#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include "DeviceWindow.h"

class QLineEdit;
class TMainForm;

// Carries out device replies on the main window (window thread only).
class WindowEffects : public DeviceWindow {
 public:
  explicit WindowEffects(TMainForm& form);

  void SetFieldText(const std::string& field, const std::string& text) override;
  void SetFieldHint(const std::string& field, const std::string& text) override;
  void SetPickers(const CalendarTime& time) override;
  void SelectNetworkMode(int item) override;
  // Appends one time-stamped line to the memo; inside Batched(), at the end of the batch.
  void AddLog(const std::string& text) override;
  // Logged like any line.
  void AddLinkNote(const std::string& text) override { AddLog(text); }

  // Runs `work` with the log lines written meanwhile appended to the memo in as few edits as
  // possible: one layout per line is what lets a log flood stall the window.
  void Batched(const std::function<void()>& work);

 private:
  static constexpr qsizetype kMaxPendingChars = 16 * 1024;

  QLineEdit* Field(const std::string& name) const;
  void AppendPending();

  TMainForm& form;
  // Guarded: a field destroyed meanwhile is reported as missing, never used.
  QHash<QString, QPointer<QLineEdit>> fields;
  int batchDepth = 0;
  QStringList pendingLines;
  qsizetype pendingChars = 0;
};
