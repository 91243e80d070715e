#include "app/measurements_panel.h"

#include <QAction>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/trend_plot.h"
#include "app/ui_services.h"

namespace corvane {
namespace {

constexpr int kTableRefreshMs = 250;

const FileDialogRequest kLogDialog{"Log Measurements", "CSV Files (*.csv)", "csv"};

int64_t systemMs() {
  return QDateTime::currentMSecsSinceEpoch();
}

}  // namespace

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
