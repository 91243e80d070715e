#include "protocol/line_probe.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "protocol/command_frame.h"

namespace corvane {

namespace {

constexpr std::array<ComPortBaudRate, 6> kRates = {br1200, br2400,  br4800,
                                                   br9600, br19200, br38400};
constexpr std::array<ComPortParity, 3> kParities = {ptNONE, ptEVEN, ptODD};
constexpr const char* kParityNames[] = {"no", "even", "odd"};
// The driver's poll while probing: an answer is seen within this.
constexpr uint16_t kProbePollMs = 5;
// 18 bytes leave in 165 ms at 1200 bit/s; a line that takes nothing for longer is stuck.
constexpr uint16_t kProbeOutputTimeoutMs = 500;
// Frame header: STX, four digits of reply code, four of count.
constexpr std::size_t kHeaderBytes = 9;
// Enough for any short reply and the garbage of a wrong setting before it.
constexpr std::size_t kMaxKeptBytes = 512;
constexpr int kRequestAndReplyBytes = 36;
constexpr int kBitsPerByteWithParity = 11;

std::string withThousands(uint32_t n) {
  std::string s = std::to_string(n);
  for (int i = int(s.size()) - 3; i > 0; i -= 3) s.insert(std::size_t(i), ",");
  return s;
}

// A complete reply frame whose code is the query's.
bool holdsAnswer(const std::string& bytes) {
  char code[5];
  std::snprintf(code, sizeof code, "%04u", unsigned(kProbeQueryCode));
  for (std::size_t at = bytes.find(kStx); at != std::string::npos; at = bytes.find(kStx, at + 1)) {
    if (bytes.size() < at + kHeaderBytes) return false;
    if (std::string_view(bytes).substr(at + 1, 4) != code) continue;
    const std::size_t etx = bytes.find(kEtx, at + kHeaderBytes);
    const std::size_t nextStx = bytes.find(kStx, at + 1);
    if (etx != std::string::npos && (nextStx == std::string::npos || etx < nextStx)) return true;
  }
  return false;
}

}  // namespace

struct LineProbe::Line {
  Line(TimerService& timers, SerialOs& os) : driver(timers, os) {}
  CommPortDriver driver;
  std::string received;
  bool done = false;
};

int LineProbe::tryWaitMs(uint8_t baudIndex) {
  const uint32_t rate = baudRateBitsPerSecond(kRates[baudIndex < kRates.size() ? baudIndex : 0]);
  const int lineMs = int((kRequestAndReplyBytes * kBitsPerByteWithParity * 1000 + rate - 1) / rate);
  return lineMs + kAnswerMarginMs;
}

std::vector<PortSettings> LineProbe::tryOrder(const PortSettings& first) {
  std::vector<PortSettings> order;
  auto add = [&](uint8_t baud, uint8_t parity) {
    PortSettings s;
    s.portIndex = 0;
    s.baudIndex = baud;
    s.parityIndex = parity;
    for (const PortSettings& o : order) {
      if (o.baudIndex == baud && o.parityIndex == parity) return;
    }
    order.push_back(s);
  };
  if (first.baudIndex < kRates.size() && first.parityIndex < kParities.size()) {
    add(first.baudIndex, first.parityIndex);
  }
  for (uint8_t p = 0; p < kParities.size(); ++p) {
    for (uint8_t b = 0; b < kRates.size(); ++b) add(b, p);
  }
  return order;
}

int LineProbe::longestRunMs() {
  int total = 0;
  for (const PortSettings& s : tryOrder({})) total += tryWaitMs(s.baudIndex);
  return total;
}

std::string LineProbe::settingsText(const PortSettings& s) {
  const uint32_t rate =
      baudRateBitsPerSecond(kRates[s.baudIndex < kRates.size() ? s.baudIndex : 0]);
  return withThousands(rate) + " bit/s, " + kParityNames[s.parityIndex < 3 ? s.parityIndex : 0] +
         " parity";
}

LineProbe::LineProbe(TimerService& timers, std::vector<std::string> devices, PortSettings first,
                     SerialOs& os)
    : timers_(timers), os_(os), order_(tryOrder(first)) {
  for (std::string& d : devices) {
    ProbeResult r;
    r.device = std::move(d);
    results_.push_back(std::move(r));
  }
  tryTimer_ = timers_.createTimer(tryWaitMs(order_.front().baudIndex), [this] { onTryExpired(); });
}

LineProbe::~LineProbe() {
  tryTimer_->stop();
  for (auto& line : lines_) {
    if (line) line->driver.disconnect();
  }
}

void LineProbe::start() {
  if (started_) return;
  started_ = true;
  const PortSettings& first = order_.front();
  for (std::size_t i = 0; i < results_.size(); ++i) {
    auto line = std::make_unique<Line>(timers_, os_);
    CommPortDriver& d = line->driver;
    PortDevices devices;
    if (!devices.set(1, results_[i].device)) {
      results_[i].failure = describeOpenFailure(results_[i].device, EINVAL);
      lines_.push_back(nullptr);
      continue;
    }
    d.setPortDevices(devices);
    d.setComPort(pnCOM1);
    d.setComPortSpeed(kRates[first.baudIndex]);
    d.setComPortParity(kParities[first.parityIndex]);
    d.setComPortDataBits(db8BITS);
    d.setComPortStopBits(sb1BITS);
    d.setComPortHwHandshaking(hhNONE);
    d.setComPortSwHandshaking(shNONE);
    d.setEnableDTROnOpen(false);
    d.setComPortPollingDelay(kProbePollMs);
    d.setOutputTimeout(kProbeOutputTimeoutMs);
    if (!d.connect()) {
      results_[i].failure = d.openFailure();
      lines_.push_back(nullptr);
      continue;
    }
    d.setOnReceiveData([this, i](CommPortDriver&, const uint8_t* data, std::size_t size) {
      onBytes(i, data, size);
    });
    lines_.push_back(std::move(line));
  }
  try_ = 0;
  sendTry();
}

void LineProbe::sendTry() {
  bool any = false;
  const PortSettings& s = order_[try_];
  const std::string frame = BuildCommandFrame(kProbeQueryCode, {});
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line* line = lines_[i].get();
    if (line == nullptr || line->done) continue;
    CommPortDriver& d = line->driver;
    d.setComPortSpeed(kRates[s.baudIndex]);
    d.setComPortParity(kParities[s.parityIndex]);
    d.purgeInput();
    line->received.clear();
    ++results_[i].triesMade;
    if (!d.connected() || !d.send(frame.data(), frame.size()).ok()) {
      // Gone or refusing mid-probe: it has had its chance.
      results_[i].failure = describeOpenFailure(results_[i].device, d.lastError());
      line->done = true;
      d.disconnect();
      continue;
    }
    any = true;
  }
  if (!any) {
    finishIfDone();
    return;
  }
  tryTimer_->setInterval(tryWaitMs(s.baudIndex));
  tryTimer_->start();
}

void LineProbe::onBytes(std::size_t i, const uint8_t* data, std::size_t size) {
  Line* line = lines_[i].get();
  if (line == nullptr || line->done) return;
  line->received.append(reinterpret_cast<const char*>(data), size);
  if (line->received.size() > kMaxKeptBytes) {
    line->received.erase(0, line->received.size() - kMaxKeptBytes);
  }
  if (!holdsAnswer(line->received)) return;
  results_[i].found = order_[try_];
  line->done = true;
  line->driver.disconnect();
  finishIfDone();
}

void LineProbe::onTryExpired() {
  tryTimer_->stop();
  if (finished_) return;
  if (++try_ >= order_.size()) {
    for (auto& line : lines_) {
      if (line && !line->done) {
        line->done = true;
        line->driver.disconnect();
      }
    }
    finishIfDone();
    return;
  }
  sendTry();
}

void LineProbe::finishIfDone() {
  if (finished_) return;
  for (const auto& line : lines_) {
    if (line && !line->done) return;
  }
  finished_ = true;
  tryTimer_->stop();
  if (onFinished_) onFinished_();
}

}  // namespace corvane
