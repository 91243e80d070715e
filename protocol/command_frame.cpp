#include "protocol/command_frame.h"

#include <algorithm>

namespace corvane {

std::string FormatField(uint32_t value) {
  std::string digits = std::to_string(value);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return digits;
}

std::string BuildCommandFrame(uint16_t code, std::span<const uint16_t> fields, uint16_t n) {
  const std::size_t count = std::min(
      {static_cast<std::size_t>(n), fields.size(), static_cast<std::size_t>(kMaxFrameFields)});
  const uint32_t dataLength = static_cast<uint32_t>(4 * count);
  std::string frame;
  frame.reserve(14 + 4 * count);
  frame += kStx;
  frame += FormatField(code);
  frame += FormatField(dataLength);
  uint32_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    frame += FormatField(fields[i]);
    sum += fields[i];
  }
  frame += FormatField(code + dataLength + sum);
  frame += kEtx;
  return frame;
}

std::string BuildActionFrame(uint16_t first, uint16_t second) {
  const uint16_t fields[] = {first, second};
  return BuildCommandFrame(kActionCode, fields, 2);
}

}  // namespace corvane
