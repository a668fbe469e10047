#pragma once

#include <QColor>
#include <QPointF>
#include <QString>
#include <QVector>
#include <QWidget>
#include <vector>

// A small line chart: a title, value axes with round ticks, lines with an optional legend.
// Drawn here rather than with Qt Charts, which the Windows build cannot have: Debian's archive
// serves the qt6-charts source package without its source.
class LineChart : public QWidget {
 public:
  struct Series {
    QString name;
    QColor colour;
    QVector<QPointF> points;
  };

  explicit LineChart(QWidget* parent = nullptr);

  void SetTitle(const QString& title);
  QString Title() const { return title; }
  void SetSeries(std::vector<Series> series);
  const std::vector<Series>& SeriesList() const { return series; }
  // The axes' ranges; a range that is empty or backwards is widened to show something.
  void SetRanges(double xMin, double xMax, double yMin, double yMax);
  void SetLegendShown(bool shown);
  void SetPointsShown(bool shown);
  // Decimals of the horizontal axis' labels.
  void SetXDecimals(int decimals);

  // A colour for the n-th line that tells it apart from its neighbours.
  static QColor LineColour(int n);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString title;
  std::vector<Series> series;
  double xMin = 0;
  double xMax = 1;
  double yMin = 0;
  double yMax = 1;
  bool legendShown = true;
  bool pointsShown = false;
  int xDecimals = 0;
};
