#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "Dialogs.h"
#include "Language.h"
#include "ReadStats.h"
#include "TagTable.h"
#include "WindowTexts.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class DateTimePicker;
class FieldExitFilter;
class QtWindowThread;
class Sound;
class TagGridModel;
class WindowEffects;
class AnalysisPage;

// The one main window: both pages, the connection and the handlers of every control.
class TMainForm : public QWidget {
 public:
  TMainForm(Dialogs& dialogs, Sound& sound, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Set-up after construction; main() calls it once, as the toolkit calls the creation handler.
  void FormCreate();
  void FormClose();

  void InitGrid();
  void EnableButtons(bool enabled, QPushButton* leaveOut);

  void btnIPClick();
  void btn2Click();
  void btn6Click();
  void btn3Click();
  void btn10Click();
  void btn5Click();
  void btn4Click();
  void btn8Click();
  void btn9Click();
  void btn11Click();
  void btn7Click();
  void btn15Click();
  void btn16Click();
  void btn12Click();
  void btn20Click();
  void btnTestClick();
  void btnClearClick();
  void btnExportClick();
  void edtCardNoChange();
  void ProcessEpcInfo(const std::string& reportText);
  void PlayTestSound();

  void CheckIPOnExit(QLineEdit* field);
  void edtPortExit(QLineEdit* field);
  void edtDeviceIDExit(QLineEdit* field);
  void edt1Exit(QLineEdit* field);

  void AddLog(const std::string& text);
  void SendTypeRequest(const std::string& type);

  // A numbered text of section "ExtStr"; "***" with no language object.
  QString LangText(WindowText text) const;
  QString LangText(ButtonCaption caption) const;

  // Controls, by their design names.
  QTabWidget* pgc1;
  QWidget* ts1;
  QWidget* ts2;
  QGroupBox* grp1;
  QLabel* lbl1;
  QLabel* lbl2;
  QLineEdit* edtIP;
  QLineEdit* edtPort;
  QPushButton* btnIP;
  QPushButton* btn11;
  QLineEdit* Edit1;
  QGroupBox* grp5;
  QLabel* lbl4;
  QLabel* lbl5;
  QLineEdit* edtGateWayIP;
  QLineEdit* edtGateWayPort;
  QPushButton* btn2;
  QPushButton* btn6;
  QGroupBox* grp6;
  QLabel* lbl6;
  QLineEdit* edtDeviceID;
  QPushButton* btn3;
  QPushButton* btn10;
  QGroupBox* grp7;
  QLabel* lbl8;
  QLabel* lbl9;
  DateTimePicker* dtp1;
  DateTimePicker* dtp2;
  QPushButton* btn5;
  QPushButton* btn4;
  QGroupBox* grp8;
  QGroupBox* rgNetWork;
  QRadioButton* rgNetWorkDhcp;
  QRadioButton* rgNetWorkStatic;
  QLabel* lbl10;
  QLabel* lbl11;
  QLabel* lbl12;
  QLabel* lbl13;
  QLabel* lbl14;
  QLineEdit* edtNetWorkIP;
  QLineEdit* edtNetWorkMask;
  QLineEdit* edtNetWorkGateWay;
  QLineEdit* edtNetWorkDNS1;
  QLineEdit* edtNetWorkDNS2;
  QPushButton* btn8;
  QPushButton* btn9;
  QPushButton* btn12;
  QPlainTextEdit* mmo1;
  QLabel* lbl15;
  QLineEdit* edtCardNo;
  QLabel* lbl16;
  QLineEdit* edtCount;
  QPushButton* btnClear;
  QPushButton* btnTest;
  QPushButton* btnExport;
  QTableView* strngrd1;
  AnalysisPage* ts3;

  // The tag table of the read-test page and the two list masks.
  EpcMap epcMap;
  // What the analysis page shows, fed with every report the tag table processes.
  ReadStats readStats;
  std::string antList;
  std::string modList;
  // The report text handed over with the current tag, read by edtCardNoChange.
  std::string edtCardNoHint;
  // The current tag and the tag count as the read-test page holds them. The two fields show
  // them once per pass of the event loop rather than once per report: laying out a field's text
  // costs more than processing the report itself.
  std::string edtCardNoText;
  std::string edtCountText = "0";
  // Changes the current tag; a change runs edtCardNoChange at once.
  void SetCardNoText(const std::string& text);
  void ShowDisplays();

  TagGridModel& Grid() { return *grid; }
  // rgNetWork's item index: 0 DHCP, 1 Static.
  int NetworkMode() const;
  void SetNetworkMode(int item);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The controls at their design bounds (MainFormLayout.cpp).
  void BuildLayout();
  void BuildParameterPage();
  void BuildReadTestPage();
  void BuildAnalysisPage();
  void BindButtons();
  QString LangText(int number, const char* prefix = "Text") const;
  // Connects a button's click to a handler that runs under the error guard.
  void Bind(QPushButton* button, void (TMainForm::*handler)());
  template <typename F>
  void Guard(F&& handler);
  void ShowRefusal(const QString& text, const QString& title);
  // A numbered text in a box titled with the window's box title.
  void ShowRefusal(WindowText text);
  void SetFieldColour(QLineEdit* field, bool red);
  void ExitCheck(QLineEdit* field, bool (*accepts)(const std::string&), const QString& text,
                 const QString& title);

  Dialogs& dialogs;
  Sound& sound;
  TagGridModel* grid;
  std::unique_ptr<WindowEffects> effects;
  std::unique_ptr<QtWindowThread> windowThread;
  void ScheduleDisplays();

  FieldExitFilter* exitFilter;
  bool closed = false;
  bool displaysPending = false;
  // The short receive buffer has been logged.
  bool bufferNoted = false;
};

// The one main window, set as soon as it is constructed.
extern TMainForm* MainForm;
// The language object while the window exists; null before FormCreate and after FormClose.
extern TKorvelLanguage* KorvelLanguage;
