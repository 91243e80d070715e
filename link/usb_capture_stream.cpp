#include "link/usb_capture_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace corvane {

UsbCaptureStream::UsbCaptureStream(std::span<uint8_t> captureBuf, uint16_t captureLen)
    : buf_(captureBuf), start_(std::min<size_t>(captureLen, captureBuf.size())) {}

void UsbCaptureStream::append(const uint8_t* data, size_t size) {
  if (size == 0 || data == nullptr) return;
  const uint32_t before = streamLength_;
  const uint64_t total = uint64_t(streamLength_) + size;
  streamLength_ = uint32_t(std::min<uint64_t>(total, std::numeric_limits<uint32_t>::max()));
  if (before == 0) {  // the STX is not kept
    ++data;
    --size;
  }
  const size_t room = buf_.size() - start_ - stored_;
  const size_t take = std::min(size, room);
  if (take > 0) std::memcpy(buf_.data() + start_ + stored_, data, take);
  stored_ += take;
  if (take < size) overflowed_ = true;
}

uint16_t UsbCaptureStream::imageLength() const {
  if (streamLength_ < 2) return 0;
  // The ETX is the last byte stored only when nothing was lost; after an overflow every stored
  // byte belongs to the image.
  const size_t length = std::min<size_t>(streamLength_ - 2, stored_);
  return static_cast<uint16_t>(std::min<size_t>(length, std::numeric_limits<uint16_t>::max()));
}

std::span<const uint8_t> UsbCaptureStream::image() const {
  return std::span<const uint8_t>(buf_.data() + start_, imageLength());
}

}  // namespace corvane
