// What the window refuses: the checks run when a field loses the focus, and the boxes that say
// why a value or a request was refused.

#include <QLineEdit>

#include "Dialogs.h"
#include "FieldChecks.h"
#include "Umainform.h"

void TMainForm::ShowRefusal(const QString& text, const QString& title) {
  dialogs.MessageBox(this, text, title, BoxIcon::Stop, BoxButtons::Ok);
}

void TMainForm::ShowRefusal(WindowText text) {
  ShowRefusal(LangText(text), LangText(WindowText::BoxTitle));
}

void TMainForm::SetFieldColour(QLineEdit* field, bool red) {
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, red ? QColor(255, 0, 0) : QColor(255, 255, 255));
  field->setPalette(palette);
}

void TMainForm::ExitCheck(QLineEdit* field, bool (*accepts)(const std::string&),
                          const QString& text, const QString& title) {
  const std::string trimmed = TrimText(field->text().toStdString());
  if (trimmed.empty() || accepts(trimmed)) {
    SetFieldColour(field, false);
    return;
  }
  ShowRefusal(text, title);
  field->setFocus(Qt::OtherFocusReason);
  SetFieldColour(field, true);
}

void TMainForm::CheckIPOnExit(QLineEdit* field) {
  ExitCheck(field, IsIPAddressText, LangText(WindowText::InvalidInput),
            LangText(WindowText::BoxTitle));
}

void TMainForm::edtPortExit(QLineEdit* field) {
  ExitCheck(field, IsDigitsText, LangText(WindowText::InvalidPort), LangText(WindowText::BoxTitle));
}

void TMainForm::edtDeviceIDExit(QLineEdit* field) {
  ExitCheck(field, IsDigitsText,
            QStringLiteral("输入不合法，必须为至少一位的纯数字！\n清空可继续."),
            QStringLiteral("错误"));
}

void TMainForm::edt1Exit(QLineEdit* field) {
  ExitCheck(field, IsScheduleText,
            QStringLiteral("时间段不合法!\n参考0:00-6:30/8:30-11:30/\n清空可继续."),
            QStringLiteral("错误"));
}
