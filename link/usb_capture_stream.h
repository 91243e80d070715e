// Byte accumulation of the instrument's screen image read over USB: the instrument sends the raw
// bitmap between STX and ETX, and the image is the stream less its first and last byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvane {

inline constexpr size_t kCaptureBufSize = 12197;

class UsbCaptureStream {
 public:
  // Stores the stream, its first byte (STX) dropped, into `captureBuf` from index `captureLen`
  // on. Bytes that would fall beyond the end of `captureBuf` are counted but not stored.
  UsbCaptureStream(std::span<uint8_t> captureBuf, uint16_t captureLen);

  void append(const uint8_t* data, size_t size);

  // Every byte received, the STX included: what the status bar shows as "(9664)".
  uint32_t streamLength() const { return streamLength_; }
  // Stream length minus the STX and the ETX (0 for a stream of fewer than 2 bytes), bounded by
  // the bytes actually stored; the new `CaptureLen`.
  uint16_t imageLength() const;
  // The image bytes inside the capture buffer.
  std::span<const uint8_t> image() const;
  // The stream did not fit: the image is then the first bytes that did, without the lost tail.
  bool overflowed() const { return overflowed_; }
  // A read failed (the device went away mid-stream): the image is incomplete and should not be
  // saved.
  void markLost() { lost_ = true; }
  bool lost() const { return lost_; }

 private:
  std::span<uint8_t> buf_;
  size_t start_;
  size_t stored_ = 0;
  uint32_t streamLength_ = 0;
  bool overflowed_ = false;
  bool lost_ = false;
};

}  // namespace corvane
