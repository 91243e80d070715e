// The USB link on the simulator's pseudo-terminal, behind a header of its own: link/usb_link.h and
// protocol/link_exchange.h cannot be included in one file (both define kCaptureBufSize).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::e2e {

class UsbRig {
 public:
  using Receive = std::function<void(const uint8_t* data, int32_t size)>;

  struct Capture {
    bool started = false;  // the first byte came before the wait ran out
    uint32_t streamLength = 0;
    uint16_t imageLength = 0;
    bool lost = false;
    bool overflowed = false;
    std::vector<uint8_t> image;
  };

  // Device 0 is devicePath; the poll hands what it reads to onReceive. onUnplugged runs when a
  // poll finds the device gone.
  UsbRig(std::string devicePath, Receive onReceive, std::function<void()> onUnplugged);
  ~UsbRig();
  UsbRig(const UsbRig&) = delete;
  UsbRig& operator=(const UsbRig&) = delete;

  bool openAtStartUp();
  // One tick of the 1 ms USB poll.
  void poll();
  bool active() const;
  uintptr_t handle() const;
  int plugged() const { return plugged_; }
  int unplugged() const { return unplugged_; }
  // One frame through the transmit buffer; returns the bytes written.
  uint32_t sendFrame(std::string_view frame);

  // The link's part of the screen capture: capture time-outs (readTimeoutMs here, to keep the
  // closing empty read short), sendRequest(), wait up to waitLimitMs for the first byte, read
  // until a read brings nothing, link time-outs again.
  Capture capture(const std::function<void()>& sendRequest, uint32_t readTimeoutMs,
                  int waitLimitMs);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int plugged_ = 0;
  int unplugged_ = 0;
};

}  // namespace corvane::e2e
