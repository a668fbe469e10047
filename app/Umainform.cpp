#include "Umainform.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>

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
#include "TagGridView.h"
#include "Uudpthread.h"
#include "WindowEffects.h"

TMainForm* MainForm = nullptr;
TKorvelLanguage* KorvelLanguage = nullptr;

namespace {

constexpr int kGb2312Charset = 134;

QFont DesignFont(int pixelSize = 12) {
  QFont font;
  font.setFamilies({QStringLiteral("幼圆"), QStringLiteral("YouYuan"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(pixelSize);
  return font;
}

// A widget that keeps a font of its own: the language object changes only its face and
// character set.
template <typename W>
W* OwnFont(W* widget, const QFont& font) {
  widget->setFont(font);
  widget->setProperty("ownFont", true);
  widget->setProperty("charset", kGb2312Charset);
  return widget;
}

template <typename W>
W* Named(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

QLabel* MakeLabel(QWidget* holder, const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, holder);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLineEdit* MakeEdit(QWidget* holder, const char* name, const QString& text, int left, int top,
                    int width, int height) {
  auto* edit = Named(new QLineEdit(text, holder), name, left, top, width, height);
  edit->setAutoFillBackground(true);
  return edit;
}

QPushButton* MakeButton(QWidget* holder, const char* name, const QString& text, int left, int top,
                        int width, int height) {
  auto* button = Named(new QPushButton(text, holder), name, left, top, width, height);
  button->setProperty("tag", 0);
  return button;
}

QGroupBox* MakeGroup(QWidget* holder, const char* name, const QString& title, int left, int top,
                     int width, int height) {
  return Named(new QGroupBox(title, holder), name, left, top, width, height);
}

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
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("TagwickV1.0"));
  setFont(DesignFont());
  setProperty("charset", kGb2312Charset);
  setFixedSize(792, 563);

  pgc1 = Named(new QTabWidget(this), "pgc1", 0, 0, 792, 563);
  ts1 = OwnFont(new QWidget, DesignFont());
  ts1->setObjectName(QStringLiteral("ts1"));
  ts2 = OwnFont(new QWidget, DesignFont());
  ts2->setObjectName(QStringLiteral("ts2"));
  pgc1->addTab(ts1, QStringLiteral("参数设置"));
  pgc1->addTab(ts2, QStringLiteral("读卡测试"));
  BuildParameterPage();
  BuildReadTestPage();

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

void TMainForm::BuildParameterPage() {
  grp1 = MakeGroup(ts1, "grp1", QStringLiteral("网口调试"), 16, 16, 185, 153);
  lbl1 = MakeLabel(grp1, "lbl1", QStringLiteral("IP"), 8, 36);
  lbl2 = MakeLabel(grp1, "lbl2", QStringLiteral("端口"), 8, 76);
  edtIP = MakeEdit(grp1, "edtIP", QStringLiteral("192.168.12.1"), 48, 32, 121, 20);
  edtPort = MakeEdit(grp1, "edtPort", QStringLiteral("11002"), 48, 72, 121, 20);
  edtPort->setEnabled(false);
  btnIP = MakeButton(grp1, "btnIP", QStringLiteral("连接"), 56, 112, 57, 25);
  {
    QFont font = DesignFont();
    font.setBold(true);
    OwnFont(btnIP, font);
    QPalette palette = btnIP->palette();
    palette.setColor(QPalette::ButtonText, QColor(255, 0, 0));
    btnIP->setPalette(palette);
  }
  btn11 = MakeButton(grp1, "btn11", QStringLiteral("重启"), 118, 111, 51, 25);
  Edit1 = MakeEdit(grp1, "Edit1", QStringLiteral("qdw"), 13, 116, 36, 20);
  Edit1->setVisible(false);

  grp5 = MakeGroup(ts1, "grp5", QStringLiteral("网关/服务器配置"), 208, 16, 185, 153);
  lbl4 = MakeLabel(grp5, "lbl4", QStringLiteral("网关IP"), 8, 36);
  lbl5 = MakeLabel(grp5, "lbl5", QStringLiteral("网关端口"), 8, 76);
  edtGateWayIP = MakeEdit(grp5, "edtGateWayIP", QString(), 48, 32, 121, 20);
  edtGateWayPort = MakeEdit(grp5, "edtGateWayPort", QString(), 72, 72, 97, 20);
  btn2 = MakeButton(grp5, "btn2", QStringLiteral("读取"), 14, 112, 67, 25);
  btn6 = MakeButton(grp5, "btn6", QStringLiteral("设置"), 102, 112, 67, 25);

  grp6 = MakeGroup(ts1, "grp6", QStringLiteral("设备ID"), 16, 184, 185, 153);
  lbl6 = MakeLabel(grp6, "lbl6", QStringLiteral("DeviceID"), 8, 36);
  edtDeviceID = MakeEdit(grp6, "edtDeviceID", QString(), 64, 32, 105, 20);
  btn3 = MakeButton(grp6, "btn3", QStringLiteral("读取"), 14, 112, 67, 25);
  btn10 = MakeButton(grp6, "btn10", QStringLiteral("设置"), 102, 112, 67, 25);

  grp7 = MakeGroup(ts1, "grp7", QStringLiteral("设备时钟"), 208, 184, 185, 153);
  lbl8 = MakeLabel(grp7, "lbl8", QStringLiteral("日期"), 8, 36);
  lbl9 = MakeLabel(grp7, "lbl9", QStringLiteral("时间"), 8, 62);
  dtp1 = Named(new DateTimePicker(DateTimePicker::Kind::Date, grp7), "dtp1", 48, 32, 121, 20);
  dtp2 = Named(new DateTimePicker(DateTimePicker::Kind::Time, grp7), "dtp2", 48, 58, 121, 20);
  btn5 = MakeButton(grp7, "btn5", QStringLiteral("读取"), 14, 112, 67, 25);
  btn4 = MakeButton(grp7, "btn4", QStringLiteral("设置"), 102, 112, 67, 25);

  grp8 = MakeGroup(ts1, "grp8", QStringLiteral("设备网络配置"), 408, 16, 369, 321);
  rgNetWork = MakeGroup(grp8, "rgNetWork", QStringLiteral("模式"), 16, 21, 337, 41);
  rgNetWorkDhcp = new QRadioButton(QStringLiteral("DHCP"), rgNetWork);
  rgNetWorkStatic = new QRadioButton(QStringLiteral("Static"), rgNetWork);
  {
    // A radio group: the items in two equal columns inside the frame, below its caption.
    auto* columns = new QHBoxLayout(rgNetWork);
    columns->setContentsMargins(8, 0, 8, 0);
    columns->setSpacing(8);
    columns->addWidget(rgNetWorkDhcp, 1);
    columns->addWidget(rgNetWorkStatic, 1);
  }
  rgNetWorkDhcp->setChecked(true);
  lbl10 = MakeLabel(grp8, "lbl10", QStringLiteral("IP地址*"), 16, 83);
  lbl11 = MakeLabel(grp8, "lbl11", QStringLiteral("子网掩码*"), 16, 115);
  lbl12 = MakeLabel(grp8, "lbl12", QStringLiteral("默认网关*"), 16, 147);
  lbl13 = MakeLabel(grp8, "lbl13", QStringLiteral("首选DNS"), 192, 115);
  lbl14 = MakeLabel(grp8, "lbl14", QStringLiteral("备用DNS"), 192, 147);
  edtNetWorkIP = MakeEdit(grp8, "edtNetWorkIP", QStringLiteral("192.168.8.6"), 80, 79, 97, 20);
  edtNetWorkMask =
      MakeEdit(grp8, "edtNetWorkMask", QStringLiteral("255.255.255.0"), 80, 111, 97, 20);
  edtNetWorkGateWay =
      MakeEdit(grp8, "edtNetWorkGateWay", QStringLiteral("192.168.8.1"), 80, 143, 97, 20);
  edtNetWorkDNS1 = MakeEdit(grp8, "edtNetWorkDNS1", QStringLiteral("8.8.8.8"), 248, 111, 105, 20);
  edtNetWorkDNS2 = MakeEdit(grp8, "edtNetWorkDNS2", QStringLiteral("4.2.2.2"), 248, 143, 105, 20);
  btn8 = MakeButton(grp8, "btn8", QStringLiteral("读取"), 197, 184, 67, 25);
  btn9 = MakeButton(grp8, "btn9", QStringLiteral("设置"), 285, 184, 67, 25);
  btn12 = MakeButton(grp8, "btn12", QStringLiteral("btn12"), 248, 72, 75, 25);
  btn12->setVisible(false);

  mmo1 = Named(new QPlainTextEdit(ts1), "mmo1", 16, 352, 753, 169);
  OwnFont(mmo1, DesignFont());
  mmo1->setReadOnly(true);
  mmo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  {
    QPalette palette = mmo1->palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 255));
    mmo1->setPalette(palette);
  }

  Bind(btnIP, &TMainForm::btnIPClick);
  Bind(btn11, &TMainForm::btn11Click);
  Bind(btn2, &TMainForm::btn2Click);
  Bind(btn6, &TMainForm::btn6Click);
  Bind(btn3, &TMainForm::btn3Click);
  Bind(btn10, &TMainForm::btn10Click);
  Bind(btn5, &TMainForm::btn5Click);
  Bind(btn4, &TMainForm::btn4Click);
  Bind(btn8, &TMainForm::btn8Click);
  Bind(btn9, &TMainForm::btn9Click);
  Bind(btn12, &TMainForm::btn12Click);
}

void TMainForm::BuildReadTestPage() {
  lbl15 = MakeLabel(ts2, "lbl15", QStringLiteral("当前标签"), 18, 20);
  edtCardNo = MakeEdit(ts2, "edtCardNo", QString(), 71, 16, 210, 20);
  edtCardNo->setEnabled(false);
  {
    QFont font = DesignFont();
    font.setBold(true);
    OwnFont(edtCardNo, font);
    QPalette palette = edtCardNo->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      palette.setColor(group, QPalette::Text, QColor(255, 0, 0));
      palette.setColor(group, QPalette::Base, palette.color(QPalette::Active, QPalette::Window));
    }
    edtCardNo->setPalette(palette);
  }
  lbl16 = MakeLabel(ts2, "lbl16", QStringLiteral("标签总数"), 345, 20);
  edtCount = MakeEdit(ts2, "edtCount", QStringLiteral("0"), 401, 14, 112, 24);
  edtCount->setEnabled(false);
  {
    QFont font = DesignFont(16);
    font.setBold(true);
    OwnFont(edtCount, font);
    QPalette palette = edtCount->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      palette.setColor(group, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
      palette.setColor(group, QPalette::Base, palette.color(QPalette::Active, QPalette::Window));
    }
    edtCount->setPalette(palette);
  }
  btnClear = MakeButton(ts2, "btnClear", QStringLiteral("计数清零"), 528, 14, 59, 25);
  btnTest = MakeButton(ts2, "btnTest", QStringLiteral("开始"), 600, 14, 73, 25);
  btnExport = MakeButton(ts2, "btnExport", QStringLiteral("导出列表"), 688, 14, 81, 25);
  {
    QFont font = DesignFont();
    font.setBold(true);
    OwnFont(btnTest, font);
    OwnFont(btnExport, font);
  }

  grid = new TagGridModel(this);
  strngrd1 = Named(new TagGridView(ts2), "strngrd1", 17, 56, 752, 465);
  strngrd1->setModel(grid);
  {
    QFont font = DesignFont();
    font.setBold(true);
    OwnFont(strngrd1, font);
    QPalette palette = strngrd1->palette();
    palette.setColor(QPalette::Base, QColor(230, 255, 255));
    strngrd1->setPalette(palette);
  }
  strngrd1->verticalHeader()->setVisible(false);
  strngrd1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  strngrd1->verticalHeader()->setDefaultSectionSize(20);
  strngrd1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  strngrd1->horizontalHeader()->setHighlightSections(false);
  strngrd1->setSelectionBehavior(QAbstractItemView::SelectRows);
  strngrd1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  strngrd1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  strngrd1->setTabKeyNavigation(true);
  strngrd1->setShowGrid(true);
  strngrd1->setWordWrap(false);
  connect(grid, &TagGridModel::columnWidthChanged, strngrd1,
          [this](int col, int width) { strngrd1->setColumnWidth(col, width); });

  Bind(btnClear, &TMainForm::btnClearClick);
  Bind(btnTest, &TMainForm::btnTestClick);
  Bind(btnExport, &TMainForm::btnExportClick);
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
    const std::string base = LanguageBaseDirectory(
        {*directory, UserConfigHome(), std::string(TAGWICK_DATA_DIR) + "/Language"});
    KorvelLanguage =
        new TKorvelLanguage(base, SystemLocaleId(), [this](const std::string& message) {
          ShowErrorBox(dialogs, this, QString::fromUtf8(message));
        });
    QtLanguageWindow adapter(*this);
    KorvelLanguage->ApplyLanguage(adapter);
    LoadQtTranslation(*this, QString::fromStdString(KorvelLanguage->LangFile),
                      property("charset").toInt());
  }
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
  for (QPushButton* button : findChildren<QPushButton*>()) {
    if (button != leaveOut) button->setEnabled(enabled);
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
    btnIP->setText(LangText(2, "BtnCaption"));
    if (!udpthread) {
      udpthread = new UDPThread(edtIP->text().toStdString(), edtPort->text().toStdString(),
                                *effects, *windowThread);
      // Once a run: it stays the same from one connection to the next.
      if (const auto note = udpthread->ShortBufferNote(); note && !bufferNoted) {
        bufferNoted = true;
        AddLog(*note);
      }
      SendTypeRequest(DebugStartType(Edit1->text().toStdString()));
      AddLog(LangText(1).toStdString());
    }
  } else {
    btnIP->setText(LangText(1, "BtnCaption"));
    if (udpthread) {
      SendTypeRequest("debugstop");
      QThread::msleep(50);
      // Out of the global and the buttons off first: whatever an effect that the stop carries
      // out throws, the link is gone and the next click connects anew.
      std::unique_ptr<UDPThread> link(std::exchange(udpthread, nullptr));
      EnableButtons(false, btnIP);
      effects->Batched([&] { link->Stop(); });
      link.reset();
      AddLog(LangText(2).toStdString());
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

void TMainForm::ShowRefusal(const QString& text, const QString& title) {
  dialogs.MessageBox(this, text, title, BoxIcon::Stop, BoxButtons::Ok);
}

void TMainForm::SetFieldColour(QLineEdit* field, bool red) {
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, red ? QColor(255, 0, 0) : QColor(255, 255, 255));
  field->setPalette(palette);
}

void TMainForm::btn2Click() {
  AddLog(LangText(10).toStdString());
  SendTypeRequest("getgateway");
}

void TMainForm::btn6Click() {
  if (edtGateWayIP->text().isEmpty() || edtGateWayPort->text().isEmpty()) {
    AddLog(LangText(11).toStdString());
    ShowRefusal(LangText(11), LangText(4));
    return;
  }
  udpthread->Send(
      SetGatewayRequest(edtGateWayIP->text().toStdString(), edtGateWayPort->text().toStdString()));
}

void TMainForm::btn3Click() {
  AddLog("Get DeviceID...");
  SendTypeRequest("getdeviceid");
}

void TMainForm::btn10Click() {
  if (edtDeviceID->text().isEmpty()) {
    ShowRefusal(LangText(12), LangText(4));
    return;
  }
  udpthread->Send(SetDeviceIdRequest(edtDeviceID->text().toStdString()));
}

void TMainForm::btn5Click() {
  AddLog("Get Clock...");
  SendTypeRequest("getrtc");
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
  SendTypeRequest("getnetwork");
}

void TMainForm::btn9Click() {
  QLineEdit* required[] = {edtNetWorkIP, edtNetWorkMask, edtNetWorkGateWay};
  if (NetworkMode() == 1) {
    bool anyEmpty = false;
    for (QLineEdit* field : required) anyEmpty = anyEmpty || field->text().isEmpty();
    if (anyEmpty) {
      ShowRefusal(LangText(13), LangText(4));
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
  if (dialogs.MessageBox(this, LangText(3), LangText(4), BoxIcon::Warning, BoxButtons::OkCancel) !=
      BoxAnswer::Ok) {
    return;
  }
  SendTypeRequest("reboot");
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
  SendTypeRequest("getschedule");
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
  ExitCheck(field, IsIPAddressText, LangText(12), LangText(4));
}

void TMainForm::edtPortExit(QLineEdit* field) {
  ExitCheck(field, IsDigitsText, LangText(14), LangText(4));
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

void TMainForm::PlayTestSound() {
  sound.Play(TestSoundFile(ExecutableFolder(), TAGWICK_DATA_DIR));
}

void TMainForm::btnTestClick() {
  PlayTestSound();
  SetTag(btnTest, Tag(btnTest) ^ 1);
  if (Tag(btnTest) == 1) {
    btnTest->setText(LangText(4, "BtnCaption"));
    SendTypeRequest("teststart");
  } else {
    btnTest->setText(LangText(3, "BtnCaption"));
    SendTypeRequest("teststop");
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
  SendTypeRequest("setactionreset");
}

void TMainForm::btnExportClick() {
  const std::optional<QString> path =
      dialogs.SaveFileName(this, QStringLiteral("taglist.csv"), QStringLiteral("CSV(*.csv)"));
  if (path) {
    std::string error;
    if (!WriteCsvFile(path->toStdString(), Grid(), error)) throw std::runtime_error(error);
  }
  dialogs.MessageBox(this, LangText(15), LangText(16), BoxIcon::None, BoxButtons::Ok);
}
