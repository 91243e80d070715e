// Command frames: STX, 4-digit code, 4-digit data length, 4-digit fields, 4-digit checksum, ETX,
// all ASCII decimal. The builders are free functions so that the session, the simulator and the
// tests produce byte-identical frames.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvane {

inline constexpr char kStx = '\x02';
inline constexpr char kEtx = '\x03';
// The instrument's frame text holds at most 100 characters, which bounds the field count.
inline constexpr int kMaxFrameFields = 21;
inline constexpr uint16_t kActionCode = 174;

// Decimal text of value, zero-padded to 4 characters; 10000 and above keep all their digits.
std::string FormatField(uint32_t value);

// Frame for code with the first min(n, fields.size(), 21) fields. The checksum is the plain sum of
// code, data length and field values; the data length always says 4 x fields even where a value of
// 10000 or more widens a field.
std::string BuildCommandFrame(uint16_t code, std::span<const uint16_t> fields, uint16_t n);
inline std::string BuildCommandFrame(uint16_t code, std::span<const uint16_t> fields) {
  return BuildCommandFrame(code, fields, static_cast<uint16_t>(fields.size()));
}

// The code-174 front-panel action frame with its two fields (Auto Set is 0, 190).
std::string BuildActionFrame(uint16_t first, uint16_t second);

}  // namespace corvane
