// Everything the instrument remembers about its front panel, as the small integers the command
// frames and the record use. Ranges are those of the menus; positions and levels are rows,
// the trigger position columns.
#pragma once

#include <array>
#include <cstdint>

namespace corvane::sim {

struct ChannelSettings {
  int hidden = 0;      // 0 shown, 1 hidden
  int voltDiv = 8;     // 0..10, probe not included
  int coupling = 1;    // 0 AC, 1 DC, 2 GND
  int position = 175;  // rows 125..325; ground code = 352 - position
  int probe = 0;       // 0 x1, 1 x10, 2 x100, 3 x1000
  bool operator==(const ChannelSettings&) const = default;
};

inline constexpr int kTopRow = 125;
inline constexpr int kBottomRow = 325;
inline constexpr int kLeftColumn = 6;
inline constexpr int kRightColumn = 256;
inline constexpr int kExtLevelMax = 1000;
inline constexpr int kRecallOff = 255;

struct InstrumentSettings {
  // CH1 at 1 V/div two divisions above the centre, CH2 at 0.5 V/div two below: the places a new
  // scope window also gives them.
  std::array<ChannelSettings, 2> ch{ChannelSettings{0, 8, 1, 175, 0},
                                    ChannelSettings{0, 7, 1, 275, 0}};
  int timeDiv = 16;               // 0.5 ms/div
  int timeReference = 1;          // 0 left, 1 centre, 2 right
  int triggerPosition = 131;      // columns 6..256, 131 = centre
  int triggerMode = 0;            // edge sweep: 0 Auto, 1 Normal, 2 Single
  int triggerSource = 0;          // 0 CH1, 1 CH2, 2 EXT, 3 LINE
  int triggerCoupling = 1;        // 0 AC, 1 DC, 2 LF-REJ, 3 HF-REJ
  int triggerSlope = 0;           // 0 rising, 1 falling
  int triggerType = 0;            // 0 edge, 1 TV
  int tvSync = 0;                 // 0 field, 1 line
  int triggerLevel = 150;         // rows for CH1/CH2 (150: CH1's 1 V midpoint), 0..1000 for EXT
  int arithMode = 0;              // 0..5
  int arithPosition = 225;        // rows
  int recallSelect = kRecallOff;  // 255 or 0..19 (2k CH1, 2k + 1 CH2 of memory k)
  int gridKind = 0;               // 0 full, 1 cross, 2 board
  int pointStyle = 1;             // 0 dots, 1 vectors
  int xyFormat = 0;               // 0 YT, 1 XY
  int averaging = 0;              // 0 off, 1..7 = 2..128 acquisitions
  int peakDetect = 0;
  int persist = 0;
  int contrast = 40;  // 0..100
  int measure = 0;    // 0..10
  int fftWindow = 0;  // 0..2
  int fftSource = 0;  // 0..1

  bool operator==(const InstrumentSettings&) const = default;

  // Trigger mode as the status reports it: the edge sweep mode, or 3 (TV-V, field sync) and
  // 4 (TV-H, line sync) while the TV trigger is selected.
  int reportedTriggerMode() const;
  // The 23 values of the status reply 209, in the order the program stores them.
  std::array<uint16_t, 23> statusFields() const;
  // True when every value lies in its range.
  bool valid() const;
};

}  // namespace corvane::sim
