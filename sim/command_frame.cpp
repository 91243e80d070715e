#include "sim/command_frame.h"

#include <cstdio>

namespace corvane::sim {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

uint32_t digitsValue(std::string_view digits) {
  uint32_t v = 0;
  for (char c : digits) v = v * 10 + static_cast<uint32_t>(c - '0');
  return v;
}

std::string padded(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04u", v);
  return buf;
}

constexpr std::size_t kMaxChecksumDigits = 6;  // 9999 + 84 + 21 x 9999 has six digits

}  // namespace

CommandParseResult parseCommandBody(std::string_view body) {
  CommandParseResult r;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (!isDigit(body[i])) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "non-digit byte 0x%02X at offset %zu",
                    unsigned(uint8_t(body[i])), i + 1);
      r.error = buf;
      return r;
    }
  }
  if (body.size() < 12) {
    r.error = "frame too short (" + std::to_string(body.size()) + " digits between STX and ETX)";
    return r;
  }
  const uint32_t code = digitsValue(body.substr(0, 4));
  const uint32_t length = digitsValue(body.substr(4, 4));
  if (length % 4 != 0 || length > 4 * kMaxCommandFields) {
    r.error = "data length " + padded(length) + " is not 4 x 0..21 fields";
    return r;
  }
  if (body.size() < 8 + length + 4) {
    r.error = "frame shorter than its data length " + padded(length);
    return r;
  }
  std::string_view checksumText = body.substr(8 + length);
  if (checksumText.size() > kMaxChecksumDigits) {
    r.error = "frame longer than its data length " + padded(length);
    return r;
  }
  CommandFrame f;
  f.code = static_cast<uint16_t>(code);
  uint32_t sum = code + length;
  for (std::size_t k = 0; k < length / 4; ++k) {
    uint32_t v = digitsValue(body.substr(8 + 4 * k, 4));
    f.fields.push_back(static_cast<uint16_t>(v));
    sum += v;
  }
  const uint32_t checksum = digitsValue(checksumText);
  if (checksum != sum) {
    r.error = "checksum " + std::string(checksumText) + " does not match " + padded(sum);
    return r;
  }
  r.frame = std::move(f);
  return r;
}

std::string printableFrame(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    auto u = static_cast<unsigned char>(c);
    if (c == kStx) {
      out += "<STX>";
    } else if (c == kEtx) {
      out += "<ETX>";
    } else if (u < 0x20 || u >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "<0x%02X>", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace corvane::sim
