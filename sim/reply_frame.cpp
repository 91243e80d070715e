#include "sim/reply_frame.h"

#include <algorithm>

#include "sim/command_frame.h"

namespace corvane::sim {
namespace {

void appendPadded(std::string& out, uint32_t value, int width) {
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int k = n; k < width; ++k) out += '0';
  while (n > 0) out += digits[--n];
}

template <typename T>
std::string buildReply(uint16_t code, std::span<const T> values, int width, uint32_t maxValue) {
  std::string out;
  out.reserve(14 + values.size() * std::size_t(width) + 8);
  out += kStx;
  appendPadded(out, code, 4);
  const auto count = static_cast<uint32_t>(values.size());
  appendPadded(out, count, 4);
  uint64_t sum = uint64_t(code) + count;
  for (T v : values) {
    const uint32_t clamped = std::min<uint32_t>(v, maxValue);
    appendPadded(out, clamped, width);
    sum += clamped;
  }
  appendPadded(out, static_cast<uint32_t>(sum), 4);
  out += kEtx;
  return out;
}

}  // namespace

std::string zeroPadded(uint32_t value, int width) {
  std::string out;
  appendPadded(out, value, width);
  return out;
}

std::string buildValueReply(uint16_t code, std::span<const uint16_t> values) {
  return buildReply(code, values, 4, 65535);
}

std::string buildSampleReply(uint16_t code, std::span<const uint16_t> samples) {
  return buildReply(code, samples, 3, 999);
}

std::string buildRawImageReply(std::span<const uint8_t> bitmap) {
  std::string out;
  out.reserve(bitmap.size() + 2);
  out += kStx;
  out.append(reinterpret_cast<const char*>(bitmap.data()), bitmap.size());
  out += kEtx;
  return out;
}

}  // namespace corvane::sim
