// Command frames as the instrument receives them: STX, 4-digit code, 4-digit data length
// (4 x fields), the 4-digit fields, a 4-digit checksum (code + length + fields), ETX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::sim {

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
// The program's frame text holds at most 100 characters, STX and ETX included.
inline constexpr std::size_t kMaxCommandFrameBytes = 100;
inline constexpr std::size_t kMaxCommandFields = 21;

struct CommandFrame {
  uint16_t code = 0;
  std::vector<uint16_t> fields;
  bool operator==(const CommandFrame&) const = default;
};

struct CommandParseResult {
  std::optional<CommandFrame> frame;  // set when the body is a well-formed frame
  std::string error;                  // why it is not, otherwise
};

// Parses the characters between STX and ETX. Every field is read as exactly 4 digits, so a frame
// with a widened (5-digit) field fails its checksum and is rejected rather than misread.
CommandParseResult parseCommandBody(std::string_view body);

// Frame bytes for a message: STX and ETX as <STX> and <ETX>, other control bytes as <0xNN>.
std::string printableFrame(std::string_view bytes);

}  // namespace corvane::sim
