// The "Measurements" dock of the main window. Each scope window keeps its own statistics and
// trend of the records the session hands over to it (the setup load's and the real-time loop's;
// a record opened from a file is an old waveform and joins neither); the panel shows those of the
// active window: the table of the 18 measurements by current, mean, minimum, maximum, standard
// deviation and count, the reset button, the log button and the trend plot. The measurement log
// takes every hand-over, whichever window it goes to.
#pragma once

#include <QDockWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>

#include "analysis/measurement_statistics.h"
#include "analysis/measurement_trend.h"
#include "app/statistics_table.h"
#include "storage/measurement_log.h"

class QAction;
class QLabel;
class QPushButton;
class QTimer;
class QToolButton;

namespace corvane {

class TrendPlot;
class UiServices;

class MeasurementsPanel : public QDockWidget {
 public:
  using Clock = std::function<int64_t()>;  // milliseconds since the epoch

  MeasurementsPanel(UiServices& ui, QWidget* parent, Clock clock = {});
  ~MeasurementsPanel() override;

  // The main window's "Log Measurements…" entry, which the panel's log button shows too.
  void setLogAction(QAction* action);

  // --- What the main window tells the panel.
  // The session handed `record` over to the window in `slot`, which measured it as `measured`.
  void handOver(int slot, const WaveformBlock& record, const Measurements& measured);
  // "Setup Para." started for the window in `slot`.
  void setupLoadStarted(int slot);
  // The window in `slot` became active; `title` is its caption.
  void follow(int slot, const QString& title);
  // The window in `slot` closed: its figures go.
  void windowClosed(int slot);

  // --- The panel's commands.
  void resetStatistics();  // the shown window's, by the button
  // Starts a log in a file the user chooses, or stops the running one.
  void toggleLog();

  // The figures of a window (empty ones for a window without hand-overs).
  const MeasurementStatistics& statistics(int slot) const;
  const MeasurementTrend* trend(int slot) const;
  const MeasurementLog& log() const { return log_; }
  int shownSlot() const { return shownSlot_; }

  StatisticsTable* table() const { return table_; }
  QLabel* summary() const { return summary_; }
  QPushButton* resetButton() const { return resetButton_; }
  QToolButton* logButton() const { return logButton_; }
  TrendPlot* plot() const { return plot_; }

 private:
  struct WindowFigures {
    MeasurementStatistics statistics;
    MeasurementTrend trend;
  };
  WindowFigures& figures(int slot);
  void showFigures();  // the shown window's table, summary and plot
  void showSummary();
  void showLogState();
  void logFailed(const std::string& message);

  UiServices& ui_;
  Clock clock_;
  std::map<int, std::unique_ptr<WindowFigures>> windows_;
  int shownSlot_ = -1;
  QString shownTitle_;
  MeasurementLog log_;
  int64_t loggedWaveforms_ = 0;
  QAction* logAction_ = nullptr;

  StatisticsModel* model_ = nullptr;
  // The table repaints (and tells a screen reader of 108 changed cells) a few times a second, not
  // on every waveform; the cells always read the current figures.
  QTimer* tableRefresh_ = nullptr;
  StatisticsTable* table_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* logState_ = nullptr;
  QPushButton* resetButton_ = nullptr;
  QToolButton* logButton_ = nullptr;
  TrendPlot* plot_ = nullptr;
};

}  // namespace corvane
