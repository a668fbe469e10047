#include "AnalysisPage.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

#include "Dialogs.h"
#include "LineChart.h"
#include "Verdict.h"
#include "VerdictFiles.h"

namespace {

constexpr WindowText kColumns[] = {WindowText::AntennaColumn,    WindowText::TagsColumn,
                                   WindowText::ReadsColumn,      WindowText::RateNowColumn,
                                   WindowText::RateMeanColumn,   WindowText::SignalMinColumn,
                                   WindowText::SignalMeanColumn, WindowText::SignalMaxColumn};

QString Figure(double value) {
  return QString::fromStdString(FigureText(value));
}

LineChart* MakeChart(QWidget* holder, const char* name) {
  auto* chart = new LineChart(holder);
  chart->setObjectName(QString::fromLatin1(name));
  return chart;
}

QString FileText(const std::string& path) {
  return QString::fromUtf8(path.c_str());
}

}  // namespace

AnalysisPage::AnalysisPage(const ReadStats& stats, const EpcMap& tags, Dialogs& dialogs,
                           TextLookup text)
    : stats(stats), tags(tags), dialogs(dialogs), text(std::move(text)) {
  grpAntennas = new QGroupBox(QStringLiteral("Antennas"), this);
  grpAntennas->setObjectName(QStringLiteral("grpAntennas"));
  grpAntennas->setGeometry(16, 8, 753, 153);
  tblAntennas = new QTableWidget(0, static_cast<int>(std::size(kColumns)), grpAntennas);
  tblAntennas->setObjectName(QStringLiteral("tblAntennas"));
  tblAntennas->setGeometry(8, 20, 737, 125);
  tblAntennas->verticalHeader()->setVisible(false);
  tblAntennas->verticalHeader()->setDefaultSectionSize(20);
  tblAntennas->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  tblAntennas->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tblAntennas->setSelectionMode(QAbstractItemView::NoSelection);

  chtRates = MakeChart(this, "chtRates");
  chtRates->setGeometry(16, 166, 376, 200);
  chtRates->SetRanges(-ReadStats::kSeriesSeconds + 1, 0, 0, 10);
  chtSignal = MakeChart(this, "chtSignal");
  chtSignal->setGeometry(393, 166, 376, 200);
  chtSignal->SetLegendShown(false);
  chtSignal->SetPointsShown(true);
  chtSignal->SetXDecimals(1);
  chtSignal->SetRanges(0, 10, 0, 127);

  grpVerdict = new QGroupBox(QStringLiteral("Verdict"), this);
  grpVerdict->setObjectName(QStringLiteral("grpVerdict"));
  grpVerdict->setGeometry(16, 370, 753, 153);
  btnRecipe = new QPushButton(QStringLiteral("Recipe..."), grpVerdict);
  btnRecipe->setObjectName(QStringLiteral("btnRecipe"));
  btnRecipe->setGeometry(8, 20, 97, 25);
  btnVerdictSave = new QPushButton(QStringLiteral("Save..."), grpVerdict);
  btnVerdictSave->setObjectName(QStringLiteral("btnVerdictSave"));
  btnVerdictSave->setGeometry(8, 52, 97, 25);
  btnVerdictSave->setEnabled(false);
  lblRecipe = new QLabel(grpVerdict);
  lblRecipe->setObjectName(QStringLiteral("lblRecipe"));
  lblRecipe->setGeometry(8, 84, 200, 60);
  lblRecipe->setWordWrap(true);
  lblRecipe->setProperty("keepBounds", true);
  lblVerdict = new QLabel(grpVerdict);
  lblVerdict->setObjectName(QStringLiteral("lblVerdict"));
  lblVerdict->setGeometry(216, 20, 160, 124);
  lblVerdict->setAlignment(Qt::AlignCenter);
  lblVerdict->setProperty("keepBounds", true);
  QFont big = lblVerdict->font();
  big.setPixelSize(40);
  big.setBold(true);
  lblVerdict->setFont(big);
  lblVerdict->setAutoFillBackground(true);
  mmoVerdict = new QPlainTextEdit(grpVerdict);
  mmoVerdict->setObjectName(QStringLiteral("mmoVerdict"));
  mmoVerdict->setGeometry(384, 20, 361, 124);
  mmoVerdict->setReadOnly(true);

  timer = new QTimer(this);
  timer->setInterval(kRefreshMs);
  connect(timer, &QTimer::timeout, this, [this] { Refresh(); });
}

QString AnalysisPage::Text(WindowText number) const {
  return TextOrEnglish(text ? text(number) : QString(), number);
}

void AnalysisPage::ApplyTexts() {
  QStringList headers;
  for (WindowText column : kColumns) headers << Text(column);
  tblAntennas->setHorizontalHeaderLabels(headers);
  // A table has no label of its own: the group's caption says what it lists.
  tblAntennas->setAccessibleName(grpAntennas->title());
  chtRates->SetTitle(Text(WindowText::RatesChart));
  chtSignal->SetTitle(Text(WindowText::SignalChart));
  if (!recipe) lblRecipe->setText(Text(WindowText::NoRecipe));
}

void AnalysisPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
  timer->start();
}

void AnalysisPage::hideEvent(QHideEvent* event) {
  timer->stop();
  QWidget::hideEvent(event);
}

void AnalysisPage::Refresh() {
  const ReadStats::Clock::time_point now = ReadStats::Clock::now();
  RefreshTable(stats.Antennas(now));
  RefreshRates(now);
  RefreshSignal();
  RefreshVerdict(now);
}

void AnalysisPage::RefreshTable(std::vector<ReadStats::AntennaFigures> antennas) {
  // By antenna number, as the reader counts them; names that are not numbers after those.
  std::stable_sort(antennas.begin(), antennas.end(), [](const auto& a, const auto& b) {
    const bool aNumber =
        !a.name.empty() && a.name.find_first_not_of("0123456789") == std::string::npos;
    const bool bNumber =
        !b.name.empty() && b.name.find_first_not_of("0123456789") == std::string::npos;
    if (aNumber != bNumber) return aNumber;
    if (aNumber && a.name.size() != b.name.size()) return a.name.size() < b.name.size();
    return a.name < b.name;
  });
  tblAntennas->setRowCount(static_cast<int>(antennas.size()));
  for (int row = 0; row < static_cast<int>(antennas.size()); ++row) {
    const ReadStats::AntennaFigures& a = antennas[row];
    const bool any = a.reads > 0;
    const QString cells[] = {QString::fromStdString(a.name),
                             QString::number(a.tags),
                             QString::number(a.reads),
                             Figure(a.lastSecondRate),
                             Figure(a.meanRate),
                             any ? QString::number(a.signal.min) : QString(),
                             any ? Figure(a.signal.mean) : QString(),
                             any ? QString::number(a.signal.max) : QString()};
    for (int col = 0; col < static_cast<int>(std::size(cells)); ++col) {
      QTableWidgetItem* item = tblAntennas->item(row, col);
      if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(col == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                        : Qt::AlignRight | Qt::AlignVCenter);
        tblAntennas->setItem(row, col, item);
      }
      if (item->text() != cells[col]) item->setText(cells[col]);
    }
  }
}

void AnalysisPage::RefreshRates(ReadStats::Clock::time_point now) {
  const std::vector<std::vector<std::uint32_t>> series = stats.Series(now);
  const std::vector<ReadStats::AntennaFigures> antennas = stats.Antennas(now);
  std::vector<LineChart::Series> lines;
  std::uint32_t highest = 0;
  for (std::size_t i = 0; i < series.size(); ++i) {
    LineChart::Series line{
        QString::fromStdString(antennas[i].name), LineChart::LineColour(static_cast<int>(i)), {}};
    line.points.reserve(static_cast<qsizetype>(series[i].size()));
    for (std::size_t s = 0; s < series[i].size(); ++s) {
      line.points.append(
          QPointF(static_cast<double>(s) - ReadStats::kSeriesSeconds + 1, series[i][s]));
      highest = std::max(highest, series[i][s]);
    }
    lines.push_back(std::move(line));
  }
  chtRates->SetSeries(std::move(lines));
  chtRates->SetRanges(-ReadStats::kSeriesSeconds + 1, 0, 0,
                      std::max<std::uint32_t>(10, highest + highest / 10));
}

void AnalysisPage::RefreshSignal() {
  const std::vector<ReadStats::Reading> readings = stats.WatchedReadings();
  LineChart::Series line{QString(), LineChart::LineColour(0), {}};
  int low = 127;
  int high = -128;
  for (const ReadStats::Reading& reading : readings) {
    line.points.append(QPointF(reading.seconds, reading.signal));
    low = std::min(low, reading.signal);
    high = std::max(high, reading.signal);
  }
  chtSignal->SetSeries({line});
  if (!readings.empty()) {
    chtSignal->SetRanges(readings.front().seconds,
                         std::max(readings.back().seconds, readings.front().seconds + 1), low - 5,
                         high + 5);
  }
}

void AnalysisPage::RefreshVerdict(ReadStats::Clock::time_point now) {
  btnVerdictSave->setEnabled(recipe.has_value());
  if (!recipe) {
    lblVerdict->clear();
    lblVerdict->setPalette(palette());
    mmoVerdict->clear();
    return;
  }
  const Verdict verdict = Judge(*recipe, tags, stats, now);
  lblVerdict->setText(Text(verdict.passed ? WindowText::Pass : WindowText::Fail));
  QPalette colours = lblVerdict->palette();
  colours.setColor(QPalette::Window, verdict.passed ? QColor(0, 160, 0) : QColor(200, 0, 0));
  colours.setColor(QPalette::WindowText, Qt::white);
  lblVerdict->setPalette(colours);
  QStringList lines;
  for (const Criterion* failed : verdict.Failed()) {
    lines << QString::fromStdString(failed->name + " " + failed->limit + ": " + failed->measured +
                                    (failed->detail.empty() ? "" : " (" + failed->detail + ")"));
  }
  if (!verdict.missing.empty()) {
    lines << Text(WindowText::NotYetSeen);
    for (const std::string& epc : verdict.missing) lines << QString::fromStdString(epc);
  }
  const QString shown = lines.join(QLatin1Char('\n'));
  if (mmoVerdict->toPlainText() != shown) mmoVerdict->setPlainText(shown);
}

void AnalysisPage::btnRecipeClick() {
  const std::optional<QString> path = dialogs.OpenFileName(this, Text(WindowText::RecipeFilter));
  if (path) LoadRecipeFile(*path);
}

void AnalysisPage::LoadRecipeFile(const QString& path) {
  // A bad recipe is shown by the window's error box, with file, line and key; the one loaded
  // before stays.
  recipe = LoadRecipe(path.toStdString());
  lblRecipe->setText(QFileInfo(path).fileName() + QStringLiteral(" (") +
                     QString::number(recipe->seconds) + QLatin1Char(' ') +
                     Text(WindowText::Seconds) + QLatin1Char(')'));
  lblRecipe->setToolTip(FileText(recipe->path));
  Refresh();
}

void AnalysisPage::btnVerdictSaveClick() {
  if (!recipe) return;
  const std::optional<QString> path =
      dialogs.SaveFileName(this, QStringLiteral("verdict.xml"), QStringLiteral("JUnit (*.xml)"));
  if (!path) return;
  // The JUnit file where the operator said, the JSON beside it: the command line's two files.
  QString base = *path;
  if (base.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive)) base.chop(4);
  const QString junit = base + QStringLiteral(".xml");
  const QString json = base + QStringLiteral(".json");
  const ReadStats::Clock::time_point now = ReadStats::Clock::now();
  const Verdict verdict = Judge(*recipe, tags, stats, now);
  const RunInfo run = runInfo ? runInfo() : RunInfo{};
  std::string error;
  if (!WriteVerdictFile(junit.toStdString(), VerdictJUnit(verdict, *recipe, run), error) ||
      !WriteVerdictFile(json.toStdString(), VerdictJson(verdict, *recipe, run, tags, stats, now),
                        error)) {
    throw std::runtime_error(error);
  }
  dialogs.MessageBox(
      this, Text(WindowText::VerdictSaved) + QLatin1Char('\n') + junit + QLatin1Char('\n') + json,
      text ? text(WindowText::BoxTitle) : QString(), BoxIcon::None, BoxButtons::Ok);
}
