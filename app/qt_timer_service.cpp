#include "app/qt_timer_service.h"

#include <QSocketNotifier>
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

class QtIoWatch : public IoWatch {
 public:
  QtIoWatch(int fd, std::function<void()> onReady)
      : notifier_(new QSocketNotifier(fd, QSocketNotifier::Read)) {
    // The handler lives in the connection, so a watch destroyed by its own handler leaves it
    // intact until the notifier goes.
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_,
                     [onReady = std::move(onReady)] { onReady(); });
  }
  ~QtIoWatch() override {
    // Disabling unregisters the descriptor at once; the object may be inside its own signal.
    notifier_->setEnabled(false);
    notifier_->deleteLater();
  }
  void setEnabled(bool enabled) override { notifier_->setEnabled(enabled); }
  bool enabled() const override { return notifier_->isEnabled(); }

 private:
  QSocketNotifier* notifier_;
};

}  // namespace

std::unique_ptr<IoWatch> QtIoWatchService::watchReadable(int fd, std::function<void()> onReady) {
  return std::make_unique<QtIoWatch>(fd, std::move(onReady));
}

std::unique_ptr<Timer> QtTimerService::createTimer(int intervalMs, std::function<void()> onExpiry) {
  return std::make_unique<QtTimer>(intervalMs, std::move(onExpiry));
}

}  // namespace corvane
