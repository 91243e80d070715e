// Finds the instrument's line settings: on each device at once it tries the six rates and three
// parities with the variant query (171), which changes nothing on the instrument, and stops on a
// device at the first reply frame that carries the query's code. Event-driven on the injected
// timers, so the command-line tool and a window can both run it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/comm_port_driver.h"
#include "link/open_failure.h"
#include "link/serial_os.h"
#include "link/timer_service.h"
#include "protocol/connection_selection.h"

namespace corvane {

inline constexpr uint16_t kProbeQueryCode = 171;

struct ProbeResult {
  std::string device;
  OpenFailure failure;                // kind kNone when the device opened
  std::optional<PortSettings> found;  // rate and parity of the first answer (port index 0)
  int triesMade = 0;
};

class LineProbe {
 public:
  // How long one try waits for the answer: the request and a short reply at the try's rate
  // (11 bits a byte with parity), plus room for the instrument to think.
  static constexpr int kAnswerMarginMs = 200;
  static int tryWaitMs(uint8_t baudIndex);
  // Every rate and parity, `first` (its rate and parity) at the head, then the port dialog's
  // order: parity none, even, odd, each rate from 1200 bit/s up.
  static std::vector<PortSettings> tryOrder(const PortSettings& first);
  // The longest a probe can take, whatever the device count: every try's wait.
  static int longestRunMs();
  // "38,400 bit/s, odd parity"
  static std::string settingsText(const PortSettings& settings);

  LineProbe(TimerService& timers, std::vector<std::string> devices, PortSettings first = {},
            SerialOs& os = PosixSerialOs::instance());
  ~LineProbe();
  LineProbe(const LineProbe&) = delete;
  LineProbe& operator=(const LineProbe&) = delete;

  // Opens every device (those that fail keep their reason) and sends the first try. Finishes at
  // once when none opened.
  void start();
  bool finished() const { return finished_; }
  // Called once, when every device has answered or run out of tries.
  void setOnFinished(std::function<void()> onFinished) { onFinished_ = std::move(onFinished); }
  const std::vector<ProbeResult>& results() const { return results_; }

 private:
  struct Line;

  void sendTry();
  void onTryExpired();
  void onBytes(std::size_t line, const uint8_t* data, std::size_t size);
  void finishIfDone();

  TimerService& timers_;
  SerialOs& os_;
  std::vector<PortSettings> order_;
  std::vector<ProbeResult> results_;
  std::vector<std::unique_ptr<Line>> lines_;
  std::unique_ptr<Timer> tryTimer_;
  std::size_t try_ = 0;
  bool started_ = false;
  bool finished_ = false;
  std::function<void()> onFinished_;
};

}  // namespace corvane
