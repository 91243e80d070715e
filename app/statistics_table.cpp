#include "app/statistics_table.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>

namespace corvane {
namespace {

struct Column {
  const char* header;
  const char* name;  // in the cell's accessible name
};
constexpr Column kColumns[] = {{"Current", "current"},
                               {"Mean", "mean"},
                               {"Minimum", "minimum"},
                               {"Maximum", "maximum"},
                               {"Std. deviation", "standard deviation"},
                               {"Count", "count"}};
constexpr int kColumnCount = int(std::size(kColumns));

QString measurementName(int row) {
  const std::string_view name = quantityName(quantityAt(row));
  return QStringLiteral("CH%1 ").arg(row / kQuantityCount + 1) +
         QString::fromUtf8(name.data(), qsizetype(name.size()));
}

}  // namespace

QString statisticsCellText(const MeasurementStatistics& s, int row, int column) {
  const RunningStatistic& r = s.at(row);
  if (column == 5) return QString::number(r.count());
  std::optional<double> figure;
  switch (column) {
    case 0:
      figure = r.current();
      break;
    case 1:
      figure = r.mean();
      break;
    case 2:
      figure = r.minimum();
      break;
    case 3:
      figure = r.maximum();
      break;
    default:
      figure = r.standardDeviation();
      break;
  }
  if (!figure || !s.scales()) return QStringLiteral("???");
  return QString::fromStdString(
      measurementText(quantityAt(row), row / kQuantityCount, *figure, *s.scales()));
}

QString statisticsCellName(int row, int column) {
  return measurementName(row) + QLatin1Char(' ') + QLatin1String(kColumns[column].name);
}

// ---------------------------------------------------------------- the table

void StatisticsModel::show(const MeasurementStatistics* statistics) {
  statistics_ = statistics;
  refresh();
}

void StatisticsModel::refresh() {
  emit dataChanged(index(0, 0), index(kMeasurementCount - 1, kColumnCount - 1));
}

int StatisticsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kMeasurementCount;
}

int StatisticsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant StatisticsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleDescriptionRole:  // the name says which figure, the description its text
      if (statistics_ == nullptr) return QStringLiteral("???");
      return statisticsCellText(*statistics_, index.row(), index.column());
    case Qt::AccessibleTextRole:
      return statisticsCellName(index.row(), index.column());
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant StatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return QString::fromLatin1(kColumns[section].header);
  return measurementName(section);
}

StatisticsTable::StatisticsTable(QWidget* parent) : QTableView(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  horizontalHeader()->setMinimumSectionSize(64);
  horizontalHeader()->setStretchLastSection(true);
  setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);  // all 18 rows, no scrolling
}

QString StatisticsTable::selectionText() const {
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return {};
  int top = selected.first().row(), bottom = top;
  int left = selected.first().column(), right = left;
  for (const QModelIndex& i : selected) {
    top = std::min(top, i.row());
    bottom = std::max(bottom, i.row());
    left = std::min(left, i.column());
    right = std::max(right, i.column());
  }
  QString text;
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      if (column > left) text += QLatin1Char('\t');
      const QModelIndex i = model()->index(row, column);
      if (selectionModel()->isSelected(i)) text += i.data().toString();
    }
    text += QLatin1Char('\n');
  }
  return text;
}

bool StatisticsTable::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    event->accept();
    return true;
  }
  return QTableView::event(event);
}

void StatisticsTable::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    QApplication::clipboard()->setText(selectionText());
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace corvane
