// The main window's controls at their design bounds, with their fonts and colours. The handlers
// and the set-up live in Umainform.cpp.

#include <QBoxLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "Accessibility.h"
#include "AnalysisPage.h"
#include "CodePage.h"
#include "DateTimePicker.h"
#include "TagGridModel.h"
#include "TagGridView.h"
#include "Umainform.h"

namespace {

QFont DesignFont(int pixelSize = 12) {
  QFont font;
  font.setFamilies({QStringLiteral("幼圆"), QStringLiteral("YouYuan"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(pixelSize);
  return font;
}

QFont BoldFont(int pixelSize = 12) {
  QFont font = DesignFont(pixelSize);
  font.setBold(true);
  return font;
}

// A widget that keeps a font of its own: the language object changes only its face and
// character set.
template <typename W>
W* OwnFont(W* widget, const QFont& font) {
  widget->setFont(font);
  widget->setProperty("ownFont", true);
  widget->setProperty("charset", codepage::kGb2312Charset);
  return widget;
}

void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
}

// A display field: its text in `text`, on the page's background, whether enabled or not.
void DisplayLook(QLineEdit* field, const QColor& text) {
  QPalette palette = field->palette();
  const QColor background = palette.color(QPalette::Active, QPalette::Window);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::Base, background);
  }
  field->setPalette(palette);
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

}  // namespace

void TMainForm::BuildLayout() {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("TagwickV1.0"));
  setFont(DesignFont());
  setProperty("charset", codepage::kGb2312Charset);
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
  BuildAnalysisPage();
  MakeKeyboardReady(*this);
}

void TMainForm::BuildParameterPage() {
  grp1 = MakeGroup(ts1, "grp1", QStringLiteral("网口调试"), 16, 16, 185, 153);
  lbl1 = MakeLabel(grp1, "lbl1", QStringLiteral("IP"), 8, 36);
  lbl2 = MakeLabel(grp1, "lbl2", QStringLiteral("端口"), 8, 76);
  edtIP = MakeEdit(grp1, "edtIP", QStringLiteral("192.168.12.1"), 48, 32, 121, 20);
  edtPort = MakeEdit(grp1, "edtPort", QStringLiteral("11002"), 48, 72, 121, 20);
  edtPort->setEnabled(false);
  btnIP = MakeButton(grp1, "btnIP", QStringLiteral("连接"), 56, 112, 57, 25);
  OwnFont(btnIP, BoldFont());
  SetColour(btnIP, QPalette::ButtonText, QColor(255, 0, 0));
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
  SetColour(mmo1, QPalette::Text, QColor(0, 0, 255));
}

void TMainForm::BuildReadTestPage() {
  lbl15 = MakeLabel(ts2, "lbl15", QStringLiteral("当前标签"), 18, 20);
  edtCardNo = MakeEdit(ts2, "edtCardNo", QString(), 71, 16, 210, 20);
  edtCardNo->setEnabled(false);
  OwnFont(edtCardNo, BoldFont());
  DisplayLook(edtCardNo, QColor(255, 0, 0));
  lbl16 = MakeLabel(ts2, "lbl16", QStringLiteral("标签总数"), 345, 20);
  edtCount = MakeEdit(ts2, "edtCount", QStringLiteral("0"), 401, 14, 112, 24);
  edtCount->setEnabled(false);
  OwnFont(edtCount, BoldFont(16));
  DisplayLook(edtCount, edtCount->palette().color(QPalette::Active, QPalette::Text));
  btnClear = MakeButton(ts2, "btnClear", QStringLiteral("计数清零"), 528, 14, 59, 25);
  btnTest = MakeButton(ts2, "btnTest", QStringLiteral("开始"), 600, 14, 73, 25);
  btnExport = MakeButton(ts2, "btnExport", QStringLiteral("导出列表"), 688, 14, 81, 25);
  OwnFont(btnTest, BoldFont());
  OwnFont(btnExport, BoldFont());

  grid = new TagGridModel(this);
  strngrd1 = Named(new TagGridView(ts2), "strngrd1", 17, 56, 752, 465);
  strngrd1->setModel(grid);
  OwnFont(strngrd1, BoldFont());
  SetColour(strngrd1, QPalette::Base, QColor(230, 255, 255));
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
}

void TMainForm::BuildAnalysisPage() {
  ts3 = new AnalysisPage(readStats, epcMap, dialogs,
                         [this](WindowText text) { return LangText(text); });
  ts3->setObjectName(QStringLiteral("ts3"));
  OwnFont(ts3, DesignFont());
  pgc1->addTab(ts3, QStringLiteral("Analysis"));
  // The signal chart follows the tag selected in the grid: model row r is grid row r + 1.
  connect(strngrd1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            readStats.Watch(current.isValid() ? current.row() + 1 : 0);
          });
}
