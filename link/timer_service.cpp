#include "link/timer_service.h"

#include <algorithm>

namespace corvane {

struct ManualTimerService::Entry {
  int intervalMs = 0;
  bool active = false;
  int64_t due = 0;
  std::function<void()> onExpiry;
};

class ManualTimer : public Timer {
 public:
  ManualTimer(ManualTimerService* service, ManualTimerService::Entry* entry)
      : service_(service), entry_(entry) {}
  ~ManualTimer() override {
    auto& v = service_->entries_;
    v.erase(std::remove(v.begin(), v.end(), entry_), v.end());
    delete entry_;
  }
  void start() override {
    entry_->active = true;
    entry_->due = service_->now_ + std::max(1, entry_->intervalMs);
  }
  void stop() override { entry_->active = false; }
  void setInterval(int ms) override {
    entry_->intervalMs = ms;
    if (entry_->active) start();
  }
  int interval() const override { return entry_->intervalMs; }
  bool active() const override { return entry_->active; }

 private:
  ManualTimerService* service_;
  ManualTimerService::Entry* entry_;
};

ManualTimerService::ManualTimerService() = default;

ManualTimerService::~ManualTimerService() = default;

std::unique_ptr<Timer> ManualTimerService::createTimer(int intervalMs,
                                                       std::function<void()> onExpiry) {
  auto* e = new Entry;
  e->intervalMs = intervalMs;
  e->onExpiry = std::move(onExpiry);
  entries_.push_back(e);
  return std::make_unique<ManualTimer>(this, e);
}

void ManualTimerService::advance(int64_t ms) {
  for (int64_t step = 0; step < ms; ++step) {
    ++now_;
    // Callbacks may create, start, stop or destroy timers: walk a snapshot and re-check each one.
    std::vector<Entry*> snapshot = entries_;
    for (Entry* e : snapshot) {
      if (std::find(entries_.begin(), entries_.end(), e) == entries_.end()) continue;
      if (!e->active || e->due > now_) continue;
      e->due = now_ + std::max(1, e->intervalMs);
      if (e->onExpiry) e->onExpiry();
    }
  }
}

int64_t ManualTimerService::nextDue() const {
  int64_t best = -1;
  for (const Entry* e : entries_) {
    if (!e->active) continue;
    int64_t d = std::max<int64_t>(0, e->due - now_);
    if (best < 0 || d < best) best = d;
  }
  return best;
}

}  // namespace corvane
