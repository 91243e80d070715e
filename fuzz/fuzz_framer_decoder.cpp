// Arbitrary chunk sequences through the receive framer and the reply decoder.
//
// Input: one configuration byte (bit 0 LoadInProgress, bit 1 time/division 0.25 us, bit 2 CH1
// hidden, bit 3 CH2 hidden), then chunks, each a length byte followed by that many bytes; a length
// byte of 255 is followed by a 16-bit little-endian length, for chunks up to and beyond the frame
// buffer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "link/timer_service.h"
#include "protocol/capture_file.h"
#include "protocol/link_exchange.h"
#include "protocol/null_host.h"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

// The framing rules written plainly (whole-buffer clears), to check the framer's bookkeeping.
struct ReferenceFramer {
  std::vector<uint8_t> buf = std::vector<uint8_t>(corvane::kFrameBufSize);
  std::size_t pos = 0;
  bool inFrame = false;
  bool released = false;

  void drop() {
    std::fill(buf.begin(), buf.end(), 0);
    pos = 0;
    inFrame = false;
    released = true;
  }
  void feed(std::span<const uint8_t> chunk) {
    released = false;
    const std::size_t n = chunk.size();
    if (n > buf.size()) return drop();
    std::ptrdiff_t stx = -1, etx = -1;
    for (std::size_t i = 0; i < n; ++i) {
      if (chunk[i] == 0x02) stx = static_cast<std::ptrdiff_t>(i);
      if (chunk[i] == 0x03) etx = static_cast<std::ptrdiff_t>(i);
    }
    if (stx >= 0 && etx >= 0) {
      std::fill(buf.begin(), buf.end(), 0);
      for (std::ptrdiff_t i = stx + 1; i < etx; ++i) buf[i - stx - 1] = chunk[i];
      inFrame = false;
      released = true;
    } else if (stx >= 0) {
      std::fill(buf.begin(), buf.end(), 0);
      for (std::size_t i = stx + 1; i < n; ++i) buf[i - stx - 1] = chunk[i];
      pos = n - stx - 1;
      inFrame = true;
    } else if (etx >= 0) {
      if (pos + n > buf.size()) return drop();
      for (std::size_t i = 0; i < n; ++i) buf[pos + i] = chunk[i];
      inFrame = false;
      released = true;
    } else if (inFrame) {
      if (pos + n > buf.size()) return drop();
      for (std::size_t i = 0; i < n; ++i) buf[pos + i] = chunk[i];
      pos += n;
    }
  }
};

bool contains(std::span<const uint8_t> chunk, uint8_t byte) {
  for (uint8_t b : chunk) {
    if (b == byte) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace corvane;
  if (size == 0) return 0;
  NullHost host;
  NullCaptureWriter writer;
  ManualTimerService timers;
  auto timer1 = timers.createTimer(500, [] {});
  auto exchange = std::make_unique<LinkExchange>(host, timer1.get(), writer);

  const uint8_t config = data[0];
  exchange->flags.LoadInProgress = (config & 1) != 0;
  if (config & 2) exchange->block.setTimeDivIndex(6);
  exchange->block.setCh1Hidden((config >> 2) & 1);
  exchange->block.setCh2Hidden((config >> 3) & 1);

  ReferenceFramer reference;
  std::size_t pos = 1;
  int64_t total = 0;
  while (pos < size) {
    std::size_t length = data[pos++];
    if (length == 255) {
      if (size - pos < 2) break;
      length = static_cast<std::size_t>(data[pos]) | (static_cast<std::size_t>(data[pos + 1]) << 8);
      pos += 2;
    }
    if (length > size - pos) length = size - pos;
    const std::span<const uint8_t> chunk(data + pos, length);
    pos += length;

    exchange->flags.ReplyReady = false;
    exchange->framer.receiveData(chunk);
    total += static_cast<int64_t>(length);
    reference.feed(chunk);

    const auto frameBuf = exchange->framer.FrameBuf();
    check(std::equal(frameBuf.begin(), frameBuf.end(), reference.buf.begin()));
    check(static_cast<std::size_t>(exchange->framer.FramePos()) == reference.pos);
    check(exchange->framer.InFrame() == reference.inFrame);
    check(exchange->flags.ReplyReady == reference.released);

    check(exchange->framer.RXTotal() == total);
    check(exchange->framer.FramePos() >= 0 &&
          static_cast<std::size_t>(exchange->framer.FramePos()) <= kFrameBufSize);
    check(!exchange->flags.TimedOut);
    // Every chunk with an ETX completes (or gives up) a frame and releases the requester.
    if (contains(chunk, 0x03)) check(exchange->flags.ReplyReady && !exchange->framer.InFrame());
    // A complete frame leaves the reply time-out stopped; only an open frame or a load restarts it.
    if (exchange->flags.ReplyReady) check(!timer1->active());
    timers.advance(1);
  }
  return 0;
}
