// The one send path: builds command frames, parks them while the real-time loop runs, puts them
// on the selected link, starts the reply time-out and keeps the transmit total.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "link/timer_service.h"
#include "protocol/link_writers.h"
#include "protocol/protocol_host.h"

namespace corvane {

// Which link a frame goes to: USB only while the device is open (UsbActive) and the connection
// menu has "USB" checked; the serial driver otherwise. Unset queries read as false.
struct SendPath {
  SerialWriter* serial = nullptr;
  UsbWriter* usb = nullptr;
  std::function<bool()> usbActive;
  std::function<bool()> usbChosen;
};

class CommandSender {
 public:
  // replyTimer is the reply time-out; loopRunning tells whether the real-time loop runs.
  CommandSender(ProtocolHost& host, Timer* replyTimer, SendPath path = {},
                std::function<bool()> loopRunning = {});

  void setSendPath(SendPath path) { path_ = std::move(path); }
  void setReplyTimer(Timer* replyTimer) { replyTimer_ = replyTimer; }
  void setLoopRunning(std::function<bool()> loopRunning) { loopRunning_ = std::move(loopRunning); }

  // Builds the frame from code and the first n fields (at most 21); parks it while the loop runs.
  void SendCommandFrame(uint16_t code, std::span<const uint16_t> fields, uint16_t n);
  void SendCommandFrame(uint16_t code, std::initializer_list<uint16_t> fields);
  // The same frame, always sent at once (the loop's and the setup load's own requests).
  void SendCommandFrameNow(uint16_t code, std::span<const uint16_t> fields, uint16_t n);
  void SendCommandFrameNow(uint16_t code, std::initializer_list<uint16_t> fields);
  // Code 174 with the fields first, second; parked like SendCommandFrame.
  void SendActionFrame(uint16_t first, uint16_t second);
  // SendCommandFrame with the one field value.
  void SendSetting(uint16_t value, uint16_t code);
  // SendSetting with code 119, 8, 28, 43 or 93 for kind 0..4; any other kind sends nothing.
  void SendPosition(uint16_t value, int kind);
  // Puts the first length bytes of frame on the selected link (a length beyond the text is cut
  // to the text), shows it in TxStr, starts the reply time-out if stopped and adds the bytes the
  // link wrote to TXTotal.
  void SendFrame(std::string_view frame, uint16_t length);
  void SendFrame(std::string_view frame) {
    SendFrame(frame, static_cast<uint16_t>(frame.size() > 0xFFFF ? 0xFFFF : frame.size()));
  }

  // The parking slot: one frame, a later one replaces it. The loop sends it with
  // SendFrame(PendingCommand()) and then clears the flag.
  const std::string& PendingCommand() const { return PendingCommand_; }
  bool PendingFlag() const { return PendingFlag_; }
  void clearPendingFlag() { PendingFlag_ = false; }
  // Frames parked since start-up: tells the loop whether a frame was parked after it sent the
  // slot's frame (the same text may be parked twice).
  uint64_t parkedFrames() const { return parkedFrames_; }

  // Bytes written to a link since start-up.
  int64_t TXTotal() const { return TXTotal_; }
  bool usbSelected() const;

 private:
  void parkOrSend(std::string frame);

  ProtocolHost& host_;
  Timer* replyTimer_;
  SendPath path_;
  std::function<bool()> loopRunning_;
  std::string PendingCommand_;
  bool PendingFlag_ = false;
  uint64_t parkedFrames_ = 0;
  int64_t TXTotal_ = 0;
};

}  // namespace corvane
