#include "Umainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include "Accessibility.h"
#include "AnalysisPage.h"
#include "ClockValue.h"
#include "CsvExport.h"
#include "DateTimePicker.h"
#include "ErrorGuard.h"
#include "FieldChecks.h"
#include "FieldExitFilter.h"
#include "LanguageAdapter.h"
#include "LanguageFolder.h"
#include "Platform.h"
#include "QtWindowThread.h"
#include "Requests.h"
#include "Sound.h"
#include "SoundFile.h"
#include "TagGridModel.h"
#include "ThreadPriority.h"
#include "Uudpthread.h"
#include "WindowEffects.h"
#include "WindowTexts.h"

TMainForm* MainForm = nullptr;
TKorvelLanguage* KorvelLanguage = nullptr;

namespace {

int Tag(const QPushButton* button) {
  return button->property("tag").toInt();
}
void SetTag(QPushButton* button, int value) {
  button->setProperty("tag", value);
}

}  // namespace

TMainForm::TMainForm(Dialogs& dialogs, Sound& sound, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs(dialogs),
      sound(sound) {
  MainForm = this;
  BuildLayout();
  BindButtons();

  effects = std::make_unique<WindowEffects>(*this);
  windowThread = std::make_unique<QtWindowThread>(
      this, [this](const std::function<void()>& task) { Guard([&] { effects->Batched(task); }); });
  exitFilter = new FieldExitFilter(this);
  exitFilter->Watch(edtIP, [this](QLineEdit* f) { CheckIPOnExit(f); });
  exitFilter->Watch(edtPort, [this](QLineEdit* f) { edtPortExit(f); });
  exitFilter->Watch(edtGateWayIP, [this](QLineEdit* f) { CheckIPOnExit(f); });
  exitFilter->Watch(edtGateWayPort, [this](QLineEdit* f) { edtPortExit(f); });
  exitFilter->Watch(edtDeviceID, [this](QLineEdit* f) { edtDeviceIDExit(f); });
  for (QLineEdit* field :
       {edtNetWorkIP, edtNetWorkMask, edtNetWorkGateWay, edtNetWorkDNS1, edtNetWorkDNS2}) {
    exitFilter->Watch(field, [this](QLineEdit* f) { CheckIPOnExit(f); });
  }
  exitFilter->SetGuard([this](const std::function<void()>& check) { Guard(check); });

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TMainForm::~TMainForm() {
  // A window destroyed without being closed still ends its link cleanly.
  if (udpthread) {
    delete udpthread;
    udpthread = nullptr;
  }
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BindButtons() {
  const std::pair<QPushButton*, void (TMainForm::*)()> clicks[] = {
      {btnIP, &TMainForm::btnIPClick},     {btn11, &TMainForm::btn11Click},
      {btn2, &TMainForm::btn2Click},       {btn6, &TMainForm::btn6Click},
      {btn3, &TMainForm::btn3Click},       {btn10, &TMainForm::btn10Click},
      {btn5, &TMainForm::btn5Click},       {btn4, &TMainForm::btn4Click},
      {btn8, &TMainForm::btn8Click},       {btn9, &TMainForm::btn9Click},
      {btn12, &TMainForm::btn12Click},     {btnClear, &TMainForm::btnClearClick},
      {btnTest, &TMainForm::btnTestClick}, {btnExport, &TMainForm::btnExportClick}};
  for (const auto& [button, handler] : clicks) Bind(button, handler);
  connect(ts3->btnRecipe, &QPushButton::clicked, this,
          [this] { Guard([&] { ts3->btnRecipeClick(); }); });
  connect(ts3->btnVerdictSave, &QPushButton::clicked, this,
          [this] { Guard([&] { ts3->btnVerdictSaveClick(); }); });
  ts3->runInfo = [this] {
    return RunInfo{(edtIP->text() + QLatin1Char(':') + edtPort->text()).toStdString(),
                   edtDeviceID->text().toStdString(), TAGWICK_VERSION,
                   QDateTime::currentDateTime().toString(Qt::ISODate).toStdString()};
  };
}

template <typename F>
void TMainForm::Guard(F&& handler) {
  Guarded(dialogs, this, std::forward<F>(handler));
}

void TMainForm::Bind(QPushButton* button, void (TMainForm::*handler)()) {
  connect(button, &QPushButton::clicked, this,
          [this, handler] { Guard([&] { (this->*handler)(); }); });
}

QString TMainForm::LangText(int number, const char* prefix) const {
  if (!KorvelLanguage) return QStringLiteral("***");
  return QString::fromUtf8(KorvelLanguage->GetLangString(number, "ExtStr", prefix));
}

QString TMainForm::LangText(WindowText text) const {
  return LangText(static_cast<int>(text));
}

QString TMainForm::LangText(ButtonCaption caption) const {
  return LangText(static_cast<int>(caption), "BtnCaption");
}

int TMainForm::NetworkMode() const {
  return rgNetWorkDhcp->isChecked() ? 0 : 1;
}

void TMainForm::SetNetworkMode(int item) {
  (item == 0 ? rgNetWorkDhcp : rgNetWorkStatic)->setChecked(true);
}

void TMainForm::FormCreate() {
  // Without a working directory there is no language: the set-up goes on with the design
  // texts, and numbered texts show "***", rather than leaving the window half set up.
  if (const std::optional<std::string> directory = WorkingDirectory()) {
    const std::string base =
        LanguageBaseDirectory({*directory, UserConfigHome(), InstalledLanguageFolder()});
    KorvelLanguage =
        new TKorvelLanguage(base, SystemLocaleId(), [this](const std::string& message) {
          ShowErrorBox(dialogs, this, QString::fromUtf8(message));
        });
    QtLanguageWindow adapter(*this);
    KorvelLanguage->ApplyLanguage(adapter);
    LoadQtTranslation(*this, QString::fromStdString(KorvelLanguage->LangFile),
                      property("charset").toInt());
  }
  ts3->ApplyTexts();
  NameControls(*this);
  FitLabels(*this);
  antList = "x011xxxxxxxxxxxxxxxx";
  modList = "xxx1";
  InitGrid();
  EnableButtons(false, btnIP);
  pgc1->setCurrentIndex(0);
  const QDateTime now = QDateTime::currentDateTime();
  dtp1->SetValue(now);
  dtp2->SetValue(now);
}

void TMainForm::InitGrid() {
  InitTagGrid(Grid(), [this](int number) { return LangText(number).toStdString(); });
}

void TMainForm::EnableButtons(bool enabled, QPushButton* leaveOut) {
  // The analysis page judges what was read, connected or not: its buttons are its own.
  for (QPushButton* button : findChildren<QPushButton*>()) {
    if (button != leaveOut && !ts3->isAncestorOf(button)) button->setEnabled(enabled);
  }
}

void TMainForm::AddLog(const std::string& text) {
  effects->AddLog(text);
}

void TMainForm::SendTypeRequest(const std::string& type) {
  ::SendTypeRequest(*udpthread, type, *effects);
}

void TMainForm::btnIPClick() {
  SetTag(btnIP, Tag(btnIP) ^ 1);
  if (Tag(btnIP) == 1) {
    btnIP->setText(LangText(ButtonCaption::Close));
    if (!udpthread) {
      udpthread = new UDPThread(edtIP->text().toStdString(), edtPort->text().toStdString(),
                                *effects, *windowThread);
      // A burst must find the receive thread on the processor, not behind a repaint: the window
      // thread steps back, like the handler chain. The link's receive threads are started at the
      // ordinary priority all the same, this one and every later one.
      YieldToOtherThreads();
      // Once a run: it stays the same from one connection to the next.
      if (const auto note = udpthread->ShortBufferNote(); note && !bufferNoted) {
        bufferNoted = true;
        AddLog(*note);
      }
      SendTypeRequest(DebugStartType(Edit1->text().toStdString()));
      AddLog(LangText(WindowText::LinkOpened).toStdString());
    }
  } else {
    btnIP->setText(LangText(ButtonCaption::Open));
    if (udpthread) {
      SendTypeRequest(requests::kDebugStop);
      QThread::msleep(50);
      // Out of the global and the buttons off first: whatever an effect that the stop carries
      // out throws, the link is gone and the next click connects anew.
      std::unique_ptr<UDPThread> link(std::exchange(udpthread, nullptr));
      EnableButtons(false, btnIP);
      effects->Batched([&] { link->Stop(); });
      link.reset();
      AddLog(LangText(WindowText::LinkClosed).toStdString());
    }
  }
  EnableButtons(Tag(btnIP) != 0, btnIP);
}

void TMainForm::FormClose() {
  if (closed) return;
  closed = true;
  if (Tag(btnIP) != 0) btnIP->click();
  if (KorvelLanguage) {
    // The window is going: a language choice that cannot be saved (no language directory, a
    // read-only medium) is worth a warning on the console, not a box that holds up closing.
    KorvelLanguage->SetErrorDisplay(
        [](const std::string& message) { qWarning("%s", message.c_str()); });
  }
  delete KorvelLanguage;
  KorvelLanguage = nullptr;
}

void TMainForm::closeEvent(QCloseEvent* event) {
  Guard([this] { FormClose(); });
  event->accept();
}

void TMainForm::btn2Click() {
  AddLog(LangText(WindowText::GettingGateway).toStdString());
  SendTypeRequest(requests::kGetGateway);
}

void TMainForm::btn6Click() {
  if (edtGateWayIP->text().isEmpty() || edtGateWayPort->text().isEmpty()) {
    AddLog(LangText(WindowText::GatewayRequired).toStdString());
    ShowRefusal(WindowText::GatewayRequired);
    return;
  }
  udpthread->Send(
      SetGatewayRequest(edtGateWayIP->text().toStdString(), edtGateWayPort->text().toStdString()));
}

void TMainForm::btn3Click() {
  AddLog("Get DeviceID...");
  SendTypeRequest(requests::kGetDeviceId);
}

void TMainForm::btn10Click() {
  if (edtDeviceID->text().isEmpty()) {
    ShowRefusal(WindowText::InvalidInput);
    return;
  }
  udpthread->Send(SetDeviceIdRequest(edtDeviceID->text().toStdString()));
}

void TMainForm::btn5Click() {
  AddLog("Get Clock...");
  SendTypeRequest(requests::kGetRtc);
}

void TMainForm::btn4Click() {
  AddLog("Set Clock...");
  // dtp1 holds the date it shows and the time of day it got last; dtp2 is not read.
  const QDateTime value = dtp1->Value();
  const CalendarTime time{value.date().year(), value.date().month(),  value.date().day(),
                          value.time().hour(), value.time().minute(), value.time().second()};
  const std::optional<std::string> rtc = EncodeClockValue(time);
  if (!rtc) {
    // A count that does not fit would set the device to a wrong date; send nothing.
    AddLog(ClockNotSentLog(time));
    return;
  }
  udpthread->Send(SetRtcRequest(*rtc));
}

void TMainForm::btn8Click() {
  AddLog("Get network...");
  SendTypeRequest(requests::kGetNetwork);
}

void TMainForm::btn9Click() {
  QLineEdit* required[] = {edtNetWorkIP, edtNetWorkMask, edtNetWorkGateWay};
  if (NetworkMode() == 1) {
    bool anyEmpty = false;
    for (QLineEdit* field : required) anyEmpty = anyEmpty || field->text().isEmpty();
    if (anyEmpty) {
      ShowRefusal(WindowText::StaticAddressRequired);
      for (QLineEdit* field : required) {
        if (field->text().isEmpty()) SetFieldColour(field, true);
      }
      return;
    }
  }
  AddLog("Set network...");
  if (NetworkMode() == 0) {
    udpthread->Send(SetNetworkDhcpRequest());
  } else {
    udpthread->Send(SetNetworkStaticRequest(
        edtNetWorkIP->text().toStdString(), edtNetWorkMask->text().toStdString(),
        edtNetWorkGateWay->text().toStdString(), edtNetWorkDNS1->text().toStdString(),
        edtNetWorkDNS2->text().toStdString()));
  }
}

void TMainForm::btn11Click() {
  if (dialogs.MessageBox(this, LangText(WindowText::RebootQuestion), LangText(WindowText::BoxTitle),
                         BoxIcon::Warning, BoxButtons::OkCancel) != BoxAnswer::Ok) {
    return;
  }
  SendTypeRequest(requests::kReboot);
  btnIP->click();
}

void TMainForm::btn7Click() {
  udpthread->Send(SetAntListRequest(antList, modList));
}

void TMainForm::btn15Click() {
  btn7Click();
}

void TMainForm::btn16Click() {
  AddLog("读取作息时间及消息发送配置...");
  SendTypeRequest(requests::kGetSchedule);
}

void TMainForm::btn12Click() {
  for (const std::string& address :
       FindAddresses("inet addr:192.168.0.6  Bcast:192.168.0.255  Mask:255.255.255.0")) {
    AddLog(address + "\n");
  }
}

void TMainForm::btn20Click() {
  if (!KorvelLanguage) return;
  KorvelLanguage->SelectLanguage(0);
  QtLanguageWindow adapter(*this);
  KorvelLanguage->SaveLanguage(adapter);
}

void TMainForm::PlayTestSound() {
  sound.Play(TestSoundFile(ExecutableFolder(), TAGWICK_DATA_DIR));
}

void TMainForm::btnTestClick() {
  PlayTestSound();
  SetTag(btnTest, Tag(btnTest) ^ 1);
  if (Tag(btnTest) == 1) {
    btnTest->setText(LangText(ButtonCaption::Stop));
    SendTypeRequest(requests::kTestStart);
  } else {
    btnTest->setText(LangText(ButtonCaption::Start));
    SendTypeRequest(requests::kTestStop);
  }
}

void TMainForm::SetCardNoText(const std::string& text) {
  if (text == edtCardNoText) return;
  edtCardNoText = text;
  edtCardNoChange();
  ScheduleDisplays();
}

void TMainForm::ScheduleDisplays() {
  if (displaysPending) return;
  displaysPending = true;
  QTimer::singleShot(0, this, [this] { ShowDisplays(); });
}

void TMainForm::ShowDisplays() {
  displaysPending = false;
  const QString cardNo = QString::fromStdString(edtCardNoText);
  if (edtCardNo->text() != cardNo) edtCardNo->setText(cardNo);
  const QString count = QString::fromStdString(edtCountText);
  if (edtCount->text() != count) edtCount->setText(count);
}

void TMainForm::edtCardNoChange() {
  // The text first: every report empties the field once, and the button's tag is a property
  // looked up by name.
  if (!edtCardNoText.empty() && Tag(btnTest) != 0) ProcessEpcInfo(edtCardNoHint);
}

void TMainForm::ProcessEpcInfo(const std::string& reportText) {
  // The time the link received the report: reports handed over in one batch keep their own
  // times. A report that did not come through the link shows the time now.
  const auto received = effects->ReceiveTime();
  const TimeOfDay time = received == std::chrono::system_clock::time_point{}
                             ? LocalTimeOfDay()
                             : LocalTimeOfDay(received);
  const EpcOutcome outcome = ::ProcessEpcInfo(reportText, edtCardNoText, epcMap, Grid(), time);
  if (outcome.processed()) {
    readStats.Add(outcome.row, outcome.antenna, outcome.signal, ReadStats::Clock::now());
    edtCountText = outcome.countText;
    ScheduleDisplays();
  } else {
    AddLog(outcome.logText);
  }
}

void TMainForm::btnClearClick() {
  SetCardNoText("");
  edtCountText = "0";
  ShowDisplays();
  Grid().ClearCells();
  InitGrid();
  epcMap.clear();
  readStats.Reset(ReadStats::Clock::now());
  SendTypeRequest(requests::kSetActionReset);
}

void TMainForm::btnExportClick() {
  const std::optional<QString> path =
      dialogs.SaveFileName(this, QStringLiteral("taglist.csv"), QStringLiteral("CSV(*.csv)"));
  if (path) {
    std::string error;
    if (!WriteCsvFile(path->toStdString(), Grid(), error)) throw std::runtime_error(error);
  }
  dialogs.MessageBox(this, LangText(WindowText::Exported), LangText(WindowText::ExportTitle),
                     BoxIcon::None, BoxButtons::Ok);
}
