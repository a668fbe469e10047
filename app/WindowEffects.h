#pragma once

#include <QHash>
#include <QString>

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
  void AddLog(const std::string& text) override;

 private:
  QLineEdit* Field(const std::string& name) const;

  TMainForm& form;
  QHash<QString, QLineEdit*> fields;
};
