#include "app/trend_plot.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QPen>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace corvane {
namespace {

constexpr int kRangeMinutes[] = {1, 10, 60};
constexpr int kColumns = 600;  // about the widest the plot area gets
const QColor kColors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                          QColor(0x2c, 0xa0, 0x2c), QColor(0x94, 0x67, 0xbd),
                          QColor(0xff, 0x7f, 0x0e), QColor(0x8c, 0x56, 0x4b),
                          QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};
const char* const kUnits[] = {"V", "Hz", "s"};

int unitIndex(int measurement) {
  const std::string_view unit = quantityUnit(quantityAt(measurement));
  for (int u = 0; u < 3; ++u) {
    if (unit == kUnits[u]) return u;
  }
  return 0;
}

QString measurementName(int index) {
  const std::string_view name = quantityName(quantityAt(index));
  return QStringLiteral("CH%1 ").arg(index / kQuantityCount + 1) +
         QString::fromUtf8(name.data(), qsizetype(name.size()));
}

// Engineering prefix for a largest magnitude: the factor the values are multiplied by.
std::pair<double, QString> prefixFor(double largest) {
  static const std::pair<int, const char*> kPrefixes[] = {{-9, "n"}, {-6, "\u00b5"}, {-3, "m"},
                                                          {0, ""},   {3, "k"},       {6, "M"}};
  int exponent = 0;
  if (largest > 0 && std::isfinite(largest)) {
    exponent = int(std::floor(std::log10(largest) / 3.0)) * 3;
    exponent = std::clamp(exponent, -9, 6);
  }
  for (auto [e, text] : kPrefixes) {
    if (e == exponent) return {std::pow(10.0, -e), QString::fromUtf8(text)};
  }
  return {1.0, QString()};
}

void scale(QList<QPointF>& points, double factor) {
  for (QPointF& p : points) p.setY(p.y() * factor);
}

}  // namespace

TrendPoints trendPoints(const MeasurementTrend& trend, int index, int64_t fromMs, int64_t toMs,
                        int columns) {
  TrendPoints out;
  const std::size_t first = trend.firstAtOrAfter(fromMs);
  const std::size_t n = trend.size() - first;
  const std::size_t cell = std::size_t(index);
  auto addStatistics = [&](const MeasurementTrend::Bucket& b) {
    const MeasurementTrend::Cell& c = b.cells[cell];
    const double t = double(b.timeMs);
    if (!std::isnan(c.mean)) out.mean.append({t, c.mean});
    if (!std::isnan(c.minimum)) {
      out.minimum.append({t, c.minimum});
      out.maximum.append({t, c.maximum});
    }
  };
  if (n <= std::size_t(columns) * 2 || toMs <= fromMs) {
    for (std::size_t i = first; i < trend.size(); ++i) {
      const MeasurementTrend::Bucket& b = trend.at(i);
      if (!std::isnan(b.cells[cell].value))
        out.values.append({double(b.timeMs), b.cells[cell].value});
      addStatistics(b);
    }
    return out;
  }
  const double span = double(toMs - fromMs);
  auto columnOf = [&](int64_t t) {
    return std::min(int(double(t - fromMs) * columns / span), columns - 1);
  };
  std::size_t i = first;
  while (i < trend.size()) {
    const int column = columnOf(trend.at(i).timeMs);
    const MeasurementTrend::Bucket *low = nullptr, *high = nullptr, *last = nullptr;
    for (; i < trend.size(); ++i) {
      const MeasurementTrend::Bucket& b = trend.at(i);
      if (columnOf(b.timeMs) != column) break;
      last = &b;
      const float v = b.cells[cell].value;
      if (std::isnan(v)) continue;
      if (low == nullptr || v < low->cells[cell].value) low = &b;
      if (high == nullptr || v > high->cells[cell].value) high = &b;
    }
    if (low != nullptr) {
      if (high->timeMs < low->timeMs) std::swap(low, high);
      out.values.append({double(low->timeMs), low->cells[cell].value});
      if (high != low) out.values.append({double(high->timeMs), high->cells[cell].value});
    }
    addStatistics(*last);
  }
  return out;
}

TrendPlot::TrendPlot(Clock clock, QWidget* parent) : QWidget(parent), clock_(std::move(clock)) {
  choices_ = new QListWidget(this);
  for (int i = 0; i < kMeasurementCount; ++i) {
    auto* item = new QListWidgetItem(measurementName(i), choices_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(i == measurementIndex(0, Quantity::kFrequency) ? Qt::Checked
                                                                       : Qt::Unchecked);
  }
  // The 18 choices flow in rows above the chart, which keeps the panel's full width.
  choices_->setFlow(QListView::LeftToRight);
  choices_->setWrapping(true);
  choices_->setResizeMode(QListView::Adjust);
  choices_->setUniformItemSizes(true);
  choices_->setGridSize(
      QSize(choices_->sizeHintForColumn(0) + 28, choices_->sizeHintForRow(0) + 2));
  choices_->setFixedHeight(6 * (choices_->sizeHintForRow(0) + 2) + 2 * choices_->frameWidth() + 4);
  range_ = new QComboBox(this);
  for (int minutes : kRangeMinutes) {
    range_->addItem(minutes == 1 ? QStringLiteral("Last minute")
                                 : QStringLiteral("Last %1 minutes").arg(minutes));
  }

  chart_ = new QChart;
  chart_->setAnimationOptions(QChart::NoAnimation);
  chart_->legend()->setAlignment(Qt::AlignBottom);
  chart_->setMargins(QMargins(2, 2, 2, 2));
  timeAxis_ = new QDateTimeAxis(chart_);
  timeAxis_->setTickCount(5);
  chart_->addAxis(timeAxis_, Qt::AlignBottom);
  for (int u = 0; u < 3; ++u) unitAxes_.push_back(new QValueAxis(chart_));
  view_ = new QChartView(chart_, this);
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumHeight(220);

  auto* rangeRow = new QHBoxLayout;
  rangeRow->addWidget(range_);
  rangeRow->addStretch(1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addLayout(rangeRow);
  column->addWidget(choices_);
  column->addWidget(view_, 1);

  redrawTimer_.setSingleShot(true);
  connect(&redrawTimer_, &QTimer::timeout, this, &TrendPlot::redraw);
  connect(choices_, &QListWidget::itemChanged, this, [this] {
    rebuildSeries();
    redraw();
  });
  connect(range_, &QComboBox::currentIndexChanged, this, &TrendPlot::redraw);
  rebuildSeries();
  redraw();
}

std::vector<int> TrendPlot::chosen() const {
  std::vector<int> out;
  for (int i = 0; i < choices_->count(); ++i) {
    if (choices_->item(i)->checkState() == Qt::Checked) out.push_back(i);
  }
  return out;
}

void TrendPlot::choose(int index, bool on) {
  choices_->item(index)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

int TrendPlot::rangeMinutes() const {
  return kRangeMinutes[std::clamp(range_->currentIndex(), 0, 2)];
}

void TrendPlot::setTrend(const MeasurementTrend* trend) {
  trend_ = trend;
  redrawTimer_.stop();
  redraw();
}

void TrendPlot::changed() {
  if (!redrawTimer_.isActive()) redrawTimer_.start(kRedrawMs);
}

void TrendPlot::rebuildSeries() {
  chart_->removeAllSeries();
  for (QValueAxis* axis : unitAxes_) {
    if (chart_->axes().contains(axis)) chart_->removeAxis(axis);
  }
  drawn_.clear();
  // Each unit in use gets its axis, the first on the left and the others on the right.
  int axesShown = 0;
  std::vector<bool> unitUsed(3, false);
  for (int index : chosen()) unitUsed[std::size_t(unitIndex(index))] = true;
  for (int u = 0; u < 3; ++u) {
    if (!unitUsed[std::size_t(u)]) continue;
    chart_->addAxis(unitAxes_[std::size_t(u)], axesShown++ == 0 ? Qt::AlignLeft : Qt::AlignRight);
  }
  int k = 0;
  for (int index : chosen()) {
    const QColor color = kColors[k++ % std::size(kColors)];
    const QString name = measurementName(index);
    Drawn d{index, new QLineSeries, new QLineSeries, new QLineSeries, new QLineSeries, nullptr};
    d.band = new QAreaSeries(d.maximum, d.minimum);
    d.maximum->setParent(d.band);  // the band's lines go with it
    d.minimum->setParent(d.band);
    d.band->setName(name + QStringLiteral(" min\u2013max"));
    QColor fill = color;
    fill.setAlpha(50);
    d.band->setBrush(fill);
    d.band->setPen(Qt::NoPen);
    d.mean->setName(name + QStringLiteral(" mean"));
    d.mean->setPen(QPen(color, 1.5, Qt::DashLine));
    d.values->setName(name);
    d.values->setPen(QPen(color, 1.5));
    QValueAxis* axis = unitAxes_[std::size_t(unitIndex(index))];
    for (QAbstractSeries* s :
         {static_cast<QAbstractSeries*>(d.band), static_cast<QAbstractSeries*>(d.mean),
          static_cast<QAbstractSeries*>(d.values)}) {
      chart_->addSeries(s);
      s->attachAxis(timeAxis_);
      s->attachAxis(axis);
    }
    drawn_.push_back(d);
  }
}

void TrendPlot::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (stale_) redraw();
}

void TrendPlot::redraw() {
  stale_ = !isVisible();
  if (stale_) return;
  const int64_t now = clock_();
  const int minutes = rangeMinutes();
  const int64_t from = now - int64_t(minutes) * 60000;
  timeAxis_->setFormat(minutes >= 60 ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss"));
  timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(now));

  std::vector<TrendPoints> points;
  double lowest[3], highest[3], largest[3];
  std::fill(std::begin(lowest), std::end(lowest), INFINITY);
  std::fill(std::begin(highest), std::end(highest), -INFINITY);
  std::fill(std::begin(largest), std::end(largest), 0.0);
  for (const Drawn& d : drawn_) {
    points.push_back(trend_ ? trendPoints(*trend_, d.index, from, now, kColumns) : TrendPoints{});
    const std::size_t u = std::size_t(unitIndex(d.index));
    for (const QList<QPointF>* list :
         {&points.back().values, &points.back().minimum, &points.back().maximum}) {
      for (const QPointF& p : *list) {
        lowest[u] = std::min(lowest[u], p.y());
        highest[u] = std::max(highest[u], p.y());
      }
    }
    largest[u] = std::max({largest[u], std::fabs(lowest[u]), std::fabs(highest[u])});
  }
  double factor[3];
  for (std::size_t u = 0; u < 3; ++u) {
    auto [f, prefix] = prefixFor(largest[u]);
    factor[u] = f;
    QValueAxis* axis = unitAxes_[u];
    axis->setTitleText(prefix + QString::fromLatin1(kUnits[u]));
    double lo = lowest[u] * f, hi = highest[u] * f;
    if (!(lo <= hi)) {
      lo = 0;
      hi = 1;
    } else if (hi - lo < 1e-9 * std::max(1.0, std::fabs(hi))) {
      const double pad = std::max(std::fabs(hi) * 0.05, 1e-3);
      lo -= pad;
      hi += pad;
    } else {
      const double pad = (hi - lo) * 0.05;
      lo -= pad;
      hi += pad;
    }
    axis->setRange(lo, hi);
    axis->applyNiceNumbers();  // round ticks: 0.99, 1.00, 1.01 rather than 0.9946
    axis->setLabelFormat(QStringLiteral("%.4g"));
  }
  for (std::size_t k = 0; k < drawn_.size(); ++k) {
    const Drawn& d = drawn_[k];
    TrendPoints& p = points[k];
    const double f = factor[unitIndex(d.index)];
    scale(p.values, f);
    scale(p.mean, f);
    scale(p.minimum, f);
    scale(p.maximum, f);
    d.values->replace(p.values);
    d.mean->replace(p.mean);
    d.minimum->replace(p.minimum);
    d.maximum->replace(p.maximum);
  }
}

}  // namespace corvane
