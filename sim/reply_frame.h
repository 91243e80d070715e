// Reply frames as the instrument sends them: STX, 4-digit reply code, 4-digit count of the values
// that follow, the values (4 digits each, or 3 digits for samples and image bytes), a checksum
// (code + count + sum of the values, at least 4 digits), ETX. The program reads the header and the
// values at fixed positions and never the checksum, which only makes the frame look like a
// command frame's twin.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvane::sim {

// Decimal text of value with leading zeros to at least width digits; wider values keep all digits.
std::string zeroPadded(uint32_t value, int width);

// Settings, status (209) and recall information (207): 4-digit values.
std::string buildValueReply(uint16_t code, std::span<const uint16_t> values);
// Waveforms (201..206) and the screen image (166): 3-digit values, each clamped to 999.
std::string buildSampleReply(uint16_t code, std::span<const uint16_t> samples);
// The screen image as the USB bridge carries it: STX, the raw bitmap bytes, ETX.
std::string buildRawImageReply(std::span<const uint8_t> bitmap);

}  // namespace corvane::sim
