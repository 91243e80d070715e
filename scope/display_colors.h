// The seven program-wide colour slots the display is drawn with, in the 0x00BBGGRR layout, and
// the fixed colours beside them.
#pragma once

#include <cstdint>

namespace corvane {

inline constexpr uint32_t kBlack = 0x000000;
inline constexpr uint32_t kTriggerPositionMarkerColor = 0x0000FF;  // red
inline constexpr uint32_t kTriggerLevelMarkerColor = 0x00FFFF;     // yellow

struct DisplayColors {
  uint32_t ch1 = 0xFFFFFF;
  uint32_t ch2 = 0xFFFFFF;
  uint32_t merge = 0xFFFFFF;  // arithmetic trace and its "M" tag
  uint32_t cursor = 0xFFFFFF;
  uint32_t recall = 0xFFFFFF;
  uint32_t grid = 0x777777;
  uint32_t goNoGo = 0x777777;

  bool operator==(const DisplayColors&) const = default;
};

// Text and fills drawn "in the inverse" of a slot. Only the 24 colour bits count.
inline constexpr uint32_t inverseColor(uint32_t color) {
  return 0xFFFFFF - (color & 0xFFFFFF);
}

}  // namespace corvane
