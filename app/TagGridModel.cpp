#include "TagGridModel.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>

TagGridModel::TagGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TagGridModel::SetColCount(int count) {
  count = std::max(count, 0);
  if (count == cols) return;
  beginResetModel();
  std::deque<std::string> resized(static_cast<std::size_t>(rows) * static_cast<std::size_t>(count));
  const int kept = std::min(cols, count);
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < kept; ++col) {
      resized[static_cast<std::size_t>(row) * static_cast<std::size_t>(count) +
              static_cast<std::size_t>(col)] = std::move(cells[At(col, row)]);
    }
  }
  cells.swap(resized);
  cols = count;
  shownRows = ModelRows(rows);
  widths.resize(static_cast<std::size_t>(count), kDefaultColWidth);
  endResetModel();
  AnnounceWidths();
}

void TagGridModel::SetRowCount(int count) {
  count = std::max(count, 0);
  if (count == rows) return;
  const bool headerChanges = cols > 0 && (rows == 0 || count == 0);
  const std::size_t size = static_cast<std::size_t>(count) * static_cast<std::size_t>(cols);
  if (count > rows) {
    cells.resize(size);
    rows = count;
    // Announced once per pass of the event loop: a view lays its rows out again after every
    // insertion, and a batch of reports may bring hundreds of new tags. The first rows of an
    // empty grid (InitGrid) are announced at once.
    if (shownRows == 0) {
      ShowAppendedRows();
    } else if (!showPending && ModelRows(rows) > shownRows) {
      showPending = true;
      QMetaObject::invokeMethod(this, &TagGridModel::ShowAppendedRows, Qt::QueuedConnection);
    }
  } else {
    const int newModelRows = ModelRows(count);
    const bool removes = newModelRows < shownRows;
    if (removes) beginRemoveRows(QModelIndex(), newModelRows, shownRows - 1);
    cells.resize(size);
    cells.shrink_to_fit();
    rows = count;
    if (removes) {
      shownRows = newModelRows;
      endRemoveRows();
    }
  }
  // The header row itself appeared or went away.
  if (headerChanges) Q_EMIT headerDataChanged(Qt::Horizontal, 0, cols - 1);
}

void TagGridModel::ShowAppendedRows() {
  showPending = false;
  const int modelRows = ModelRows(rows);
  if (modelRows <= shownRows) return;
  beginInsertRows(QModelIndex(), shownRows, modelRows - 1);
  shownRows = modelRows;
  endInsertRows();
}

std::string TagGridModel::Cell(int col, int row) const {
  return Contains(col, row) ? cells[At(col, row)] : std::string();
}

void TagGridModel::SetCell(int col, int row, const std::string& text) {
  if (!Contains(col, row)) return;
  cells[At(col, row)] = text;
  if (row == 0) {
    Q_EMIT headerDataChanged(Qt::Horizontal, col, col);
  } else if (row <= shownRows) {
    const QModelIndex cell = index(row - 1, col);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
  }
}

void TagGridModel::SetRow(int row, const std::vector<std::string>& rowCells) {
  if (row < 0 || row >= rows) return;
  const int count =
      rowCells.size() < static_cast<std::size_t>(cols) ? static_cast<int>(rowCells.size()) : cols;
  if (count == 0) return;
  for (int col = 0; col < count; ++col)
    cells[At(col, row)] = rowCells[static_cast<std::size_t>(col)];
  if (row == 0) {
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, count - 1);
  } else if (row <= shownRows) {
    // A row not announced yet is shown with its cells when it is.
    Q_EMIT dataChanged(index(row - 1, 0), index(row - 1, count - 1), {Qt::DisplayRole});
  }
}

void TagGridModel::SetColWidth(int col, int width) {
  if (col < 0 || col >= cols) return;
  widths[static_cast<std::size_t>(col)] = width;
  Q_EMIT columnWidthChanged(col, width);
}

void TagGridModel::ClearCells() {
  for (std::string& cell : cells) cell.clear();
  if (cols == 0) return;
  if (rows > 0) Q_EMIT headerDataChanged(Qt::Horizontal, 0, cols - 1);
  if (shownRows > 0) {
    Q_EMIT dataChanged(index(0, 0), index(shownRows - 1, cols - 1), {Qt::DisplayRole});
  }
}

int TagGridModel::ColWidth(int col) const {
  return col >= 0 && col < cols ? widths[static_cast<std::size_t>(col)] : kDefaultColWidth;
}

void TagGridModel::AnnounceWidths() {
  for (int col = 0; col < cols; ++col)
    Q_EMIT columnWidthChanged(col, widths[static_cast<std::size_t>(col)]);
}

int TagGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownRows;
}

int TagGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : cols;
}

QVariant TagGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= cols || index.row() >= shownRows) return {};
  switch (role) {
    case Qt::DisplayRole: {
      const std::string& text = cells[At(index.column(), index.row() + 1)];
      return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    // Column 0 is a fixed column of the string grid: drawn like the header, not like the cells.
    case Qt::BackgroundRole:
      if (index.column() == 0) return QGuiApplication::palette().brush(QPalette::Button);
      return {};
    case Qt::ForegroundRole:
      if (index.column() == 0) return QGuiApplication::palette().brush(QPalette::ButtonText);
      return {};
    default:
      return {};
  }
}

QVariant TagGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal)
    return QAbstractTableModel::headerData(section, orientation, role);
  if (role != Qt::DisplayRole || section < 0 || section >= cols) return {};
  if (rows == 0) return QString();
  const std::string& text = cells[At(section, 0)];
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Qt::ItemFlags TagGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}
