// The trend plot of the Measurements panel: the chosen measurements of the shown window against
// time over the last 1, 10 or 60 minutes, each drawn as its values, the statistics' mean (dashed)
// and the band between the statistics' minimum and maximum, as they stood at each moment.
// Measurements of one unit share a value axis; V, Hz and s each get their own.
#pragma once

#include <QList>
#include <QPointF>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "analysis/measurement_trend.h"

class QAreaSeries;
class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLineSeries;
class QListWidget;
class QValueAxis;

namespace corvane {

// The points of one measurement between two times, at most about `columns` per series: where
// more buckets fall in a column, the values keep its lowest and highest (so no spike is lost) and
// the statistics its last bucket.
struct TrendPoints {
  QList<QPointF> values, mean, minimum, maximum;
};
TrendPoints trendPoints(const MeasurementTrend& trend, int index, int64_t fromMs, int64_t toMs,
                        int columns);

class TrendPlot : public QWidget {
 public:
  using Clock = std::function<int64_t()>;  // milliseconds since the epoch
  static constexpr int kRedrawMs = 250;    // at most four redraws a second while RUN

  explicit TrendPlot(Clock clock, QWidget* parent = nullptr);

  // The history to draw (null: an empty plot); drawn at once.
  void setTrend(const MeasurementTrend* trend);
  // The shown history grew: a redraw within kRedrawMs.
  void changed();
  // Draws now; a hidden plot only notes that it must draw when it shows again.
  void redraw();

  // Measurement indices (measurementIndex) checked in the choice list, in index order.
  std::vector<int> chosen() const;
  void choose(int index, bool on);
  int rangeMinutes() const;

  QListWidget* choiceList() const { return choices_; }
  QComboBox* rangeBox() const { return range_; }
  QChartView* chartView() const { return view_; }
  QChart* chart() const { return chart_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Drawn {
    int index;
    QLineSeries *values, *mean, *minimum, *maximum;
    QAreaSeries* band;
  };
  void rebuildSeries();

  Clock clock_;
  const MeasurementTrend* trend_ = nullptr;
  QListWidget* choices_ = nullptr;
  QComboBox* range_ = nullptr;
  QChartView* view_ = nullptr;
  QChart* chart_ = nullptr;
  QDateTimeAxis* timeAxis_ = nullptr;
  std::vector<QValueAxis*> unitAxes_;  // V, Hz, s
  std::vector<Drawn> drawn_;
  QTimer redrawTimer_;
  bool stale_ = false;  // changed while hidden
};

}  // namespace corvane
