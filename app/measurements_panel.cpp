#include "app/measurements_panel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/trend_plot.h"
#include "app/ui_services.h"

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

constexpr int kTableRefreshMs = 250;

const FileDialogRequest kLogDialog{"Log Measurements", "CSV Files (*.csv)", "csv"};

QString measurementName(int row) {
  const std::string_view name = quantityName(quantityAt(row));
  return QStringLiteral("CH%1 ").arg(row / kQuantityCount + 1) +
         QString::fromUtf8(name.data(), qsizetype(name.size()));
}

int64_t systemMs() {
  return QDateTime::currentMSecsSinceEpoch();
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

// ---------------------------------------------------------------- the panel

MeasurementsPanel::MeasurementsPanel(UiServices& ui, QWidget* parent, Clock clock)
    : QDockWidget(QStringLiteral("Measurements"), parent),
      ui_(ui),
      clock_(clock ? std::move(clock) : Clock(systemMs)) {
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
              QDockWidget::DockWidgetFloatable);
  auto* body = new QWidget(this);
  summary_ = new QLabel(body);
  model_ = new StatisticsModel(this);
  tableRefresh_ = new QTimer(this);
  tableRefresh_->setSingleShot(true);
  tableRefresh_->setInterval(kTableRefreshMs);
  connect(tableRefresh_, &QTimer::timeout, model_, &StatisticsModel::refresh);
  table_ = new StatisticsTable(body);
  table_->setModel(model_);
  resetButton_ = new QPushButton(QStringLiteral("Reset Statistics"), body);
  logButton_ = new QToolButton(body);
  logButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  logState_ = new QLabel(body);
  logState_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  plot_ = new TrendPlot(clock_, body);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(resetButton_);
  buttons->addWidget(logButton_);
  buttons->addWidget(logState_, 1);
  auto* top = new QWidget(body);
  auto* topColumn = new QVBoxLayout(top);
  topColumn->setContentsMargins(0, 0, 0, 0);
  topColumn->addWidget(summary_);
  topColumn->addWidget(table_);
  topColumn->addLayout(buttons);
  // The table keeps its 18 rows; the plot takes the height left.
  table_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
  top->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  auto* split = new QSplitter(Qt::Vertical, body);
  split->addWidget(top);
  split->addWidget(plot_);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setChildrenCollapsible(false);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(4, 4, 4, 4);
  column->addWidget(split);
  setWidget(body);

  connect(resetButton_, &QPushButton::clicked, this, &MeasurementsPanel::resetStatistics);
  showFigures();
  showLogState();
}

MeasurementsPanel::~MeasurementsPanel() = default;

void MeasurementsPanel::setLogAction(QAction* action) {
  logAction_ = action;
  logAction_->setCheckable(true);
  logButton_->setDefaultAction(logAction_);
  showLogState();
}

MeasurementsPanel::WindowFigures& MeasurementsPanel::figures(int slot) {
  std::unique_ptr<WindowFigures>& f = windows_[slot];
  if (!f) f = std::make_unique<WindowFigures>();
  return *f;
}

const MeasurementStatistics& MeasurementsPanel::statistics(int slot) const {
  static const MeasurementStatistics kNone;
  auto it = windows_.find(slot);
  return it == windows_.end() ? kNone : it->second->statistics;
}

const MeasurementTrend* MeasurementsPanel::trend(int slot) const {
  auto it = windows_.find(slot);
  return it == windows_.end() ? nullptr : &it->second->trend;
}

void MeasurementsPanel::handOver(int slot, const WaveformBlock& record,
                                 const Measurements& measured) {
  const MeasuredWaveform w = measuredWaveform(record, measured);
  WindowFigures& f = figures(slot);
  f.statistics.add(w);
  f.trend.add(clock_(), w, f.statistics);
  if (log_.running()) {
    const FileStatus written = log_.append(++loggedWaveforms_, w);
    if (!written) logFailed(written.message);
  }
  if (slot == shownSlot_) {
    if (model_->shown() != &f.statistics) {
      model_->show(&f.statistics);
    } else if (!tableRefresh_->isActive()) {
      tableRefresh_->start();
    }
    showSummary();
    plot_->changed();
  }
  if (log_.running()) showLogState();
}

void MeasurementsPanel::setupLoadStarted(int slot) {
  figures(slot).statistics.reset(StatisticsReset::kSetupLoad);
  if (slot == shownSlot_) showFigures();
}

void MeasurementsPanel::follow(int slot, const QString& title) {
  if (slot == shownSlot_ && title == shownTitle_) return;
  shownSlot_ = slot;
  shownTitle_ = title;
  showFigures();
}

void MeasurementsPanel::windowClosed(int slot) {
  windows_.erase(slot);
  if (slot == shownSlot_) {
    shownSlot_ = -1;
    shownTitle_.clear();
    showFigures();
  }
}

void MeasurementsPanel::resetStatistics() {
  if (shownSlot_ < 0) return;
  figures(shownSlot_).statistics.reset(StatisticsReset::kOperator);
  showFigures();
}

void MeasurementsPanel::showFigures() {
  auto it = windows_.find(shownSlot_);
  model_->show(it == windows_.end() ? nullptr : &it->second->statistics);
  plot_->setTrend(it == windows_.end() ? nullptr : &it->second->trend);
  resetButton_->setEnabled(shownSlot_ >= 0);
  showSummary();
}

void MeasurementsPanel::showSummary() {
  if (shownSlot_ < 0) {
    summary_->setText(QStringLiteral("No scope window"));
    return;
  }
  const MeasurementStatistics& s = statistics(shownSlot_);
  QString since;
  switch (s.lastReset()) {
    case StatisticsReset::kNone:
      break;
    case StatisticsReset::kOperator:
      since = QStringLiteral(" since the reset");
      break;
    case StatisticsReset::kSetupLoad:
      since = QStringLiteral(" since Setup Para.");
      break;
    case StatisticsReset::kScaleChange:
      since = QStringLiteral(" since the scales changed");
      break;
  }
  summary_->setText(QStringLiteral("%1: %2 waveform%3%4")
                        .arg(shownTitle_)
                        .arg(s.waveforms())
                        .arg(s.waveforms() == 1 ? QString() : QStringLiteral("s"))
                        .arg(since));
}

// ---------------------------------------------------------------- the log

void MeasurementsPanel::toggleLog() {
  if (log_.running()) {
    const FileStatus closed = log_.stop();
    showLogState();
    if (!closed) ui_.showError(window(), QString::fromStdString(closed.message));
    return;
  }
  const std::optional<std::string> path = ui_.saveFileName(window(), kLogDialog);
  FileStatus started;
  if (path) {
    loggedWaveforms_ = 0;
    started = log_.start(*path);
  }
  showLogState();
  if (!started) ui_.showError(window(), QString::fromStdString(started.message));
}

void MeasurementsPanel::logFailed(const std::string& message) {
  showLogState();
  // The box waits for the user outside the session's hand-over, which goes on meanwhile.
  const QString text = QString::fromStdString(message);
  QMetaObject::invokeMethod(
      this, [this, text] { ui_.showError(window(), text); }, Qt::QueuedConnection);
}

void MeasurementsPanel::showLogState() {
  if (logAction_ != nullptr) logAction_->setChecked(log_.running());
  if (log_.running()) {
    logState_->setText(
        QStringLiteral("%1 rows to %2").arg(log_.rows()).arg(QString::fromStdString(log_.path())));
  } else {
    logState_->clear();
  }
}

}  // namespace corvane
