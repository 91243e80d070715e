// Reply decoding and receive framing against the link's own pace: at 921,600 bit/s the USB link
// moves about 92 kB/s, so one 203 waveform reply (3,014 bytes) takes about 33 ms on the wire.
#include <benchmark/benchmark.h>

#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "protocol/capture_file.h"
#include "protocol/command_frame.h"
#include "protocol/link_exchange.h"
#include "protocol/null_host.h"
#include "protocol/reply_sink.h"

namespace corvane {
namespace {

std::string digits3(int v) {
  std::string s = std::to_string(v);
  return std::string(3 - s.size(), '0') + s;
}

std::string reply(int code, int count, const std::string& body) {
  return std::string(1, kStx) + FormatField(code) + FormatField(count) + body + "0000" +
         std::string(1, kEtx);
}

std::string waveformReply(int code) {
  std::string body;
  for (int i = 0; i < 1000; ++i) {
    body += digits3(static_cast<int>(127 + 90 * std::sin(i * 0.0628)) + (i >= 500 ? -50 : 0));
  }
  return reply(code, 1000, body);
}

std::string statusReply() {
  std::string body;
  const int fields[] = {0, 8, 1, 175, 1, 0, 7,   1, 275, 0, 17, 131,
                        0, 0, 1, 0,   0, 0, 225, 1, 0,   0, 0};
  for (int f : fields) body += FormatField(f);
  return reply(209, 23, body);
}

std::span<const uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// One 203 reply from its bytes, delivered in one chunk, to the filled staging record.
void BM_Decode203Reply(benchmark::State& state) {
  NullHost host;
  NullCaptureWriter writer;
  auto exchange = std::make_unique<LinkExchange>(host, nullptr, writer);
  exchange->block.setTimeDivIndex(17);
  const std::string frame = waveformReply(203);
  for (auto _ : state) {
    exchange->framer.receiveData(bytesOf(frame));
    benchmark::DoNotOptimize(exchange->block.bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
  state.counters["replies/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Decode203Reply);

// The 166 screen image, the largest reply (29,000 digits), decoded without writing the file.
void BM_Decode166Reply(benchmark::State& state) {
  NullHost host;
  NullCaptureWriter writer;
  auto exchange = std::make_unique<LinkExchange>(host, nullptr, writer);
  std::string body;
  for (std::size_t k = 0; k < kCaptureImageSize; ++k) body += digits3(static_cast<int>(k % 256));
  const std::string frame = reply(166, 0, body);
  for (auto _ : state) {
    exchange->framer.receiveData(bytesOf(frame));
    benchmark::DoNotOptimize(exchange->capture.CaptureBuf.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_Decode166Reply);

struct DiscardingSink : ReplySink {
  void DecodeReply(uint16_t code, uint16_t, int32_t, std::span<const uint8_t>) override {
    benchmark::DoNotOptimize(code);
  }
};

// The real-time loop's traffic (status and waveform replies in turn, with setting replies) cut
// into 64-byte chunks. Arg 1 decodes into the record, arg 0 measures framing alone.
void BM_FramerStream64ByteChunks(benchmark::State& state) {
  std::string stream;
  for (int cycle = 0; cycle < 8; ++cycle) {
    stream += statusReply() + waveformReply(203);
    stream += reply(5, 1, FormatField(8)) + reply(31, 1, FormatField(17));
  }
  std::vector<std::span<const uint8_t>> chunks;
  for (std::size_t pos = 0; pos < stream.size(); pos += 64) {
    chunks.push_back(bytesOf(stream).subspan(pos, std::min<std::size_t>(64, stream.size() - pos)));
  }
  NullHost host;
  NullCaptureWriter writer;
  auto exchange = std::make_unique<LinkExchange>(host, nullptr, writer);
  DiscardingSink discard;
  ExchangeFlags flags;
  ReceiveFramer framingOnly(flags, discard, host, nullptr);
  ReceiveFramer& framer = state.range(0) ? exchange->framer : framingOnly;
  for (auto _ : state) {
    for (const auto& chunk : chunks) framer.receiveData(chunk);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
  // How many times faster than the 92 kB/s that the USB link delivers.
  state.counters["x_link_rate"] =
      benchmark::Counter(static_cast<double>(state.iterations() * stream.size()) / 92160.0,
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FramerStream64ByteChunks)->Arg(0)->Arg(1);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
