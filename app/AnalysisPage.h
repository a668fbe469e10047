#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "ReadStats.h"
#include "Recipe.h"
#include "TagTable.h"
#include "VerdictFiles.h"
#include "WindowTexts.h"

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimer;
class Dialogs;
class LineChart;

// The third page: the read test judged. Per-antenna figures, reads per second per antenna over
// the last two minutes, the signal of the tag selected in the grid, and the verdict against a
// recipe. It only reads the statistics that the window feeds, a few times a second and only
// while it is shown: nothing of it is on the way of a report from the socket to the grid.
class AnalysisPage : public QWidget {
 public:
  using TextLookup = std::function<QString(WindowText)>;

  AnalysisPage(const ReadStats& stats, const EpcMap& tags, Dialogs& dialogs, TextLookup text);

  // Reads the figures and redraws; the page's own timer calls it while the page is shown.
  void Refresh();
  // Texts that come from the language file by number (headers, chart titles).
  void ApplyTexts();

  void btnRecipeClick();
  // Throws RecipeError, naming the file, the line and the key.
  void LoadRecipeFile(const QString& path);
  void btnVerdictSaveClick();

  static constexpr int kRefreshMs = 250;

  QGroupBox* grpAntennas;
  QTableWidget* tblAntennas;
  LineChart* chtRates;
  LineChart* chtSignal;
  QGroupBox* grpVerdict;
  QPushButton* btnRecipe;
  QLabel* lblRecipe;
  QLabel* lblVerdict;
  QPlainTextEdit* mmoVerdict;
  QPushButton* btnVerdictSave;

  const std::optional<Recipe>& LoadedRecipe() const { return recipe; }
  // Who is judged, for the saved files: the device's address and ID as the window has them.
  std::function<RunInfo()> runInfo;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void RefreshTable(std::vector<ReadStats::AntennaFigures> antennas);
  void RefreshRates(ReadStats::Clock::time_point now);
  void RefreshSignal();
  void RefreshVerdict(ReadStats::Clock::time_point now);
  QString Text(WindowText text) const;

  const ReadStats& stats;
  const EpcMap& tags;
  Dialogs& dialogs;
  TextLookup text;
  QTimer* timer;
  std::optional<Recipe> recipe;
};
