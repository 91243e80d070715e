#include "app/qt_timer_service.h"

#include <QTimer>
#include <algorithm>

namespace corvane {
namespace {

class QtTimer : public Timer {
 public:
  QtTimer(int intervalMs, std::function<void()> onExpiry) : onExpiry_(std::move(onExpiry)) {
    setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { onExpiry_(); });
  }
  void start() override { timer_.start(); }
  void stop() override { timer_.stop(); }
  void setInterval(int ms) override {
    ms = std::max(ms, 1);
    timer_.setTimerType(ms < 20 ? Qt::PreciseTimer : Qt::CoarseTimer);
    timer_.setInterval(ms);  // a running QTimer restarts with the new interval
  }
  int interval() const override { return timer_.interval(); }
  bool active() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
  std::function<void()> onExpiry_;
};

}  // namespace

std::unique_ptr<Timer> QtTimerService::createTimer(int intervalMs, std::function<void()> onExpiry) {
  return std::make_unique<QtTimer>(intervalMs, std::move(onExpiry));
}

}  // namespace corvane
