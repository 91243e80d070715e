// Arbitrary byte streams into the simulated instrument, cut into pieces with its clock moved in
// between, and every answer checked the way the program will read it.
//
// Input: the bytes sent to the instrument. A byte 0xF0..0xFF is not sent: it ends the current
// piece and moves the model's clock on by (byte - 0xF0) x 50 ms before the next poll. An input that
// starts with 0xFF runs the model in its USB form (raw screen images). Command frames are all
// ASCII digits between STX and ETX, so plain frames pass through unchanged.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "analysis/waveform_block.h"
#include "link/timer_service.h"
#include "protocol/capture_file.h"
#include "protocol/link_exchange.h"
#include "protocol/null_host.h"
#include "sim/kv2040_model.h"

namespace {

using corvane::sim::Kv2040Model;

void check(bool condition) {
  if (!condition) __builtin_trap();
}

constexpr std::size_t kImageBytes = 9662;
constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

uint32_t digitsValue(std::string_view s) {
  uint32_t v = 0;
  for (char c : s) v = v * 10 + uint32_t(c - '0');
  return v;
}

bool sampleReply(uint32_t code) {
  return code == 166 || (code >= 201 && code <= 206);
}

// The 23 status fields as the program stores them, in the reply's order.
uint16_t statusField(const corvane::WaveformBlock& b, int k) {
  switch (k) {
    case 0:
      return b.Ch1Hidden();
    case 1:
      return b.Ch1VoltDivIndex();
    case 2:
      return b.Ch1Coupling();
    case 3:
      return b.Ch1Position();
    case 4:
      return b.Ch1Probe();
    case 5:
      return b.Ch2Hidden();
    case 6:
      return b.Ch2VoltDivIndex();
    case 7:
      return b.Ch2Coupling();
    case 8:
      return b.Ch2Position();
    case 9:
      return b.Ch2Probe();
    case 10:
      return b.TimeDivIndex();
    case 11:
      return b.TriggerPosition();
    case 12:
      return b.TriggerType();
    case 13:
      return b.TriggerSource();
    case 14:
      return b.TriggerCoupling();
    case 15:
      return b.TvSync();
    case 16:
      return b.TriggerSlope();
    case 17:
      return b.TriggerMode();
    case 18:
      return b.TriggerLevel();
    case 19:
      return b.PointStyle();
    case 20:
      return b.XYFormat();
    case 21:
      return b.GridKind();
    default:
      return b.ArithMode();
  }
}

// The program's side of the line: framer and decoder into a staging record.
struct Program {
  corvane::NullHost host;
  corvane::NullCaptureWriter writer;
  corvane::LinkExchange exchange{host, nullptr, writer};
};

struct Checker {
  const Kv2040Model& model;
  Program& program;
  bool raw;
  uint64_t replies = 0;
  uint64_t frames = 0;

  // Output of one handleBytes or poll call: whole reply frames only, each well formed.
  void replyBytes(const std::string& out) {
    std::size_t i = 0;
    bool lastWasStatus = false;
    while (i < out.size()) {
      check(uint8_t(out[i]) == kStx);
      ++replies;
      if (raw && i + 1 < out.size() && out[i + 1] == 'B') {
        // The USB form of the screen image: STX, the bitmap, ETX.
        check(i + kImageBytes + 2 <= out.size());
        check(out[i + 2] == 'M');
        check(uint8_t(out[i + kImageBytes + 1]) == kEtx);
        i += kImageBytes + 2;
        lastWasStatus = false;
        continue;
      }
      std::size_t end = i + 1;
      while (end < out.size() && isDigit(out[end])) ++end;
      check(end < out.size() && uint8_t(out[end]) == kEtx);
      const std::string_view body(out.data() + i + 1, end - i - 1);
      check(body.size() >= 12);
      const uint32_t code = digitsValue(body.substr(0, 4));
      const uint32_t count = digitsValue(body.substr(4, 4));
      const std::size_t width = sampleReply(code) ? 3 : 4;
      const std::size_t valuesEnd = 8 + count * width;
      check(body.size() >= valuesEnd + 4);  // a checksum of at least 4 digits
      uint64_t sum = code + count;
      for (std::size_t k = 8; k < valuesEnd; k += width) sum += digitsValue(body.substr(k, width));
      check(digitsValue(body.substr(valuesEnd)) == uint32_t(sum));
      if (code == 166) check(count == kImageBytes);
      if (code == 209) check(count == 23);
      if (code == 203 || code == 205 || code == 206) check(count == 1000);

      // One frame a chunk: the framer decodes only the last frame of a chunk.
      program.exchange.flags.ReplyReady = false;
      program.exchange.framer.receiveData(
          std::span(reinterpret_cast<const uint8_t*>(out.data()) + i, end - i + 1));
      check(program.exchange.flags.ReplyReady);
      lastWasStatus = code == 209;
      i = end + 1;
    }
    // The program reads the status as the instrument meant it (8-bit fields keep the low byte).
    if (lastWasStatus) {
      const auto fields = model.settings().statusFields();
      for (int k = 0; k < 23; ++k) {
        const bool wide = k == 3 || k == 8 || k == 11 || k == 18;
        const uint16_t sent =
            wide ? fields[std::size_t(k)] : uint16_t(fields[std::size_t(k)] & 0xFF);
        check(statusField(program.exchange.block, k) == sent);
      }
    }
  }

  void after() {
    check(model.settings().valid());
    // Every well-formed frame gets at most one answer.
    check(replies <= model.counters().frames);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  corvane::sim::ModelOptions options;
  options.diagnostics = [](std::string_view) {};
  options.autoSetMs = 300;
  options.rawScreenImage = size > 0 && data[0] == 0xFF;
  Kv2040Model model(options);
  Program program;
  Checker checker{model, program, options.rawScreenImage};

  int64_t now = 0;
  uint64_t stx = 0;
  std::string piece;
  auto flush = [&] {
    if (piece.empty()) return;
    for (char c : piece) stx += uint8_t(c) == kStx;
    checker.replyBytes(model.handleBytes(piece));
    checker.after();
    piece.clear();
  };
  for (size_t i = 0; i < size; ++i) {
    if (data[i] < 0xF0) {
      piece += char(data[i]);
      continue;
    }
    flush();
    now += int64_t(data[i] - 0xF0) * 50;
    checker.replyBytes(model.poll(now));
    checker.after();
  }
  flush();
  // Whatever waits for the end of Auto Set comes out once it is over; a queued Auto Set starts
  // the next wait, and at most the queue's worth of them can be waiting.
  for (std::size_t k = 0; k <= Kv2040Model::kMaxQueuedFrames && model.busy(); ++k) {
    now += options.autoSetMs + 1;
    checker.replyBytes(model.poll(now));
    checker.after();
  }
  check(!model.busy());
  check(model.counters().frames + model.counters().badFrames <= stx);
  return 0;
}
