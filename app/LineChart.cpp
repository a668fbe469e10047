#include "LineChart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `parts`.
double NiceStep(double span, int parts) {
  const double raw = span / parts;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0}) {
    if (raw <= factor * power) return factor * power;
  }
  return 10 * power;
}

std::vector<double> Ticks(double min, double max, int parts) {
  const double step = NiceStep(max - min, parts);
  std::vector<double> ticks;
  for (double t = std::ceil(min / step) * step; t <= max + step * 1e-9; t += step)
    ticks.push_back(std::abs(t) < step * 1e-9 ? 0 : t);
  return ticks;
}

}  // namespace

LineChart::LineChart(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void LineChart::SetTitle(const QString& text) {
  title = text;
  setAccessibleName(text);
  update();
}

void LineChart::SetSeries(std::vector<Series> lines) {
  series = std::move(lines);
  update();
}

void LineChart::SetRanges(double x0, double x1, double y0, double y1) {
  xMin = x0;
  xMax = x1 > x0 ? x1 : x0 + 1;
  yMin = y0;
  yMax = y1 > y0 ? y1 : y0 + 1;
  update();
}

void LineChart::SetLegendShown(bool shown) {
  legendShown = shown;
  update();
}

void LineChart::SetPointsShown(bool shown) {
  pointsShown = shown;
  update();
}

void LineChart::SetXDecimals(int decimals) {
  xDecimals = decimals;
  update();
}

QColor LineChart::LineColour(int n) {
  static const QColor kColours[] = {
      QColor(31, 119, 180),  QColor(255, 127, 14), QColor(44, 160, 44),   QColor(214, 39, 40),
      QColor(148, 103, 189), QColor(140, 86, 75),  QColor(227, 119, 194), QColor(127, 127, 127)};
  return kColours[n % static_cast<int>(std::size(kColours))];
}

void LineChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  const QFontMetrics metrics = fontMetrics();
  const int lineHeight = metrics.height();

  painter.setPen(palette().color(QPalette::Text));
  const QRect titleArea(0, 4, width(), lineHeight);
  painter.drawText(titleArea, Qt::AlignCenter, title);

  const std::vector<double> yTicks = Ticks(yMin, yMax, 4);
  int labelWidth = 0;
  for (double tick : yTicks)
    labelWidth = std::max(labelWidth, metrics.horizontalAdvance(QString::number(tick, 'g', 6)));
  const bool legend = legendShown && !series.empty();
  const QRect plot(
      labelWidth + 12, titleArea.bottom() + 8, width() - labelWidth - 24,
      height() - titleArea.bottom() - 8 - lineHeight - 10 - (legend ? lineHeight + 6 : 0));
  if (plot.width() < 10 || plot.height() < 10) return;

  const auto toX = [&](double x) {
    return plot.left() + (x - xMin) / (xMax - xMin) * plot.width();
  };
  const auto toY = [&](double y) {
    return plot.bottom() - (y - yMin) / (yMax - yMin) * plot.height();
  };

  // The grid and the labels of both axes.
  const QColor gridColour = palette().color(QPalette::Midlight);
  for (double tick : yTicks) {
    const int y = static_cast<int>(std::lround(toY(tick)));
    painter.setPen(gridColour);
    painter.drawLine(plot.left(), y, plot.right(), y);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(0, y - lineHeight / 2, plot.left() - 4, lineHeight),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(tick, 'g', 6));
  }
  for (double tick : Ticks(xMin, xMax, 5)) {
    const int x = static_cast<int>(std::lround(toX(tick)));
    painter.setPen(gridColour);
    painter.drawLine(x, plot.top(), x, plot.bottom());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(x - 40, plot.bottom() + 3, 80, lineHeight),
                     Qt::AlignHCenter | Qt::AlignTop, QString::number(tick, 'f', xDecimals));
  }
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(plot);

  painter.save();
  painter.setClipRect(plot.adjusted(-3, -3, 3, 3));
  painter.setRenderHint(QPainter::Antialiasing);
  for (const Series& s : series) {
    if (s.points.isEmpty()) continue;
    QPainterPath path(QPointF(toX(s.points.front().x()), toY(s.points.front().y())));
    for (const QPointF& point : s.points) path.lineTo(toX(point.x()), toY(point.y()));
    painter.setPen(QPen(s.colour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    if (pointsShown) {
      painter.setBrush(s.colour);
      for (const QPointF& point : s.points)
        painter.drawEllipse(QPointF(toX(point.x()), toY(point.y())), 2.5, 2.5);
    }
  }
  painter.restore();

  if (legend) {
    int x = plot.left();
    const int y = plot.bottom() + lineHeight + 8;
    painter.setPen(palette().color(QPalette::Text));
    for (const Series& s : series) {
      painter.fillRect(QRect(x, y + lineHeight / 2 - 4, 10, 8), s.colour);
      painter.drawText(QRect(x + 14, y, metrics.horizontalAdvance(s.name) + 2, lineHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, s.name);
      x += 14 + metrics.horizontalAdvance(s.name) + 12;
    }
  }
}
