// The 18,120-byte acquisition record: two 500-point channels, the settings they were taken with,
// the arithmetic, recall and limit traces and the display flags. Its meaning is fixed by offsets
// alone; every copy, every file and every decoder works on these exact bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

inline constexpr std::size_t kBlockSize = 18120;
inline constexpr int kArrayLength = 1004;  // entries per array in the record
inline constexpr int kPointCount = 500;    // entries that measurements and drawing read

namespace offsets {
inline constexpr std::size_t PointValid = 2;
inline constexpr std::size_t Ch1Samples = 2010;
inline constexpr std::size_t Ch2Samples = 4018;
inline constexpr std::size_t ArithTrace = 6028;
inline constexpr std::size_t RecallSamples = 10044;
inline constexpr std::size_t RecallValid = 12052;
inline constexpr std::size_t LimitUpper = 14060;
inline constexpr std::size_t LimitLower = 16068;
inline constexpr std::size_t ArithPosition = 18076;
inline constexpr std::size_t Ch1Hidden = 18078;
inline constexpr std::size_t Ch2Hidden = 18079;
inline constexpr std::size_t TimeDivIndex = 18080;
inline constexpr std::size_t Ch1VoltDivIndex = 18081;
inline constexpr std::size_t Ch2VoltDivIndex = 18082;
inline constexpr std::size_t Ch1Coupling = 18083;
inline constexpr std::size_t Ch2Coupling = 18084;
inline constexpr std::size_t Ch1Position = 18086;
inline constexpr std::size_t Ch2Position = 18088;
inline constexpr std::size_t TriggerPosition = 18090;
inline constexpr std::size_t RecallSelect = 18092;
inline constexpr std::size_t RecallShown = 18093;
inline constexpr std::size_t LimitsHidden = 18094;
inline constexpr std::size_t TriggerMode = 18095;
inline constexpr std::size_t TriggerSource = 18096;
inline constexpr std::size_t TriggerCoupling = 18097;
inline constexpr std::size_t TriggerSlope = 18098;
inline constexpr std::size_t TriggerType = 18099;
inline constexpr std::size_t TvSync = 18100;
inline constexpr std::size_t Ch1Probe = 18101;
inline constexpr std::size_t Ch2Probe = 18102;
inline constexpr std::size_t TriggerLevel = 18104;
inline constexpr std::size_t GridKind = 18106;
inline constexpr std::size_t XYFormat = 18107;
inline constexpr std::size_t VariantFlag = 18108;
inline constexpr std::size_t ArithMode = 18109;
inline constexpr std::size_t ArithShown = 18110;
inline constexpr std::size_t Averaging = 18111;
inline constexpr std::size_t PointStyle = 18112;
inline constexpr std::size_t RecallInfo1 = 18113;
inline constexpr std::size_t RecallInfo2 = 18114;
inline constexpr std::size_t RecallInfo3 = 18115;
inline constexpr std::size_t RecallInfo4 = 18116;  // u16
inline constexpr std::size_t RecallInfo5 = 18118;
inline constexpr std::size_t LinkUsb = 18119;
}  // namespace offsets

// Plain value type: zero-filled on construction, copied whole. Array accessors ignore writes and
// read 0 outside 0..1003, so a count beyond an array can never reach outside the record.
class WaveformBlock {
 public:
  std::array<uint8_t, kBlockSize> bytes{};

  uint8_t u8(std::size_t off) const { return off < kBlockSize ? bytes[off] : 0; }
  void setU8(std::size_t off, uint8_t v) {
    if (off < kBlockSize) bytes[off] = v;
  }
  uint16_t u16(std::size_t off) const {
    return off + 1 < kBlockSize ? static_cast<uint16_t>(bytes[off] | (bytes[off + 1] << 8)) : 0;
  }
  void setU16(std::size_t off, uint16_t v) {
    if (off + 1 >= kBlockSize) return;
    bytes[off] = static_cast<uint8_t>(v & 0xFF);
    bytes[off + 1] = static_cast<uint8_t>(v >> 8);
  }
  int16_t i16(std::size_t off) const { return static_cast<int16_t>(u16(off)); }
  void setI16(std::size_t off, int16_t v) { setU16(off, static_cast<uint16_t>(v)); }
  int32_t i32(std::size_t off) const {
    if (off + 3 >= kBlockSize) return 0;
    uint32_t v = static_cast<uint32_t>(bytes[off]) | (static_cast<uint32_t>(bytes[off + 1]) << 8) |
                 (static_cast<uint32_t>(bytes[off + 2]) << 16) |
                 (static_cast<uint32_t>(bytes[off + 3]) << 24);
    return static_cast<int32_t>(v);
  }
  void setI32(std::size_t off, int32_t v) {
    if (off + 3 >= kBlockSize) return;
    auto u = static_cast<uint32_t>(v);
    for (int k = 0; k < 4; ++k) bytes[off + k] = static_cast<uint8_t>((u >> (8 * k)) & 0xFF);
  }

#define CORVANE_ARRAY16(Name, T, Getter, Setter)                                            \
  T Name(int i) const {                                                                     \
    return (i >= 0 && i < kArrayLength) ? Getter(offsets::Name + 2 * std::size_t(i)) : T{}; \
  }                                                                                         \
  void set##Name(int i, T v) {                                                              \
    if (i >= 0 && i < kArrayLength) Setter(offsets::Name + 2 * std::size_t(i), v);          \
  }
  CORVANE_ARRAY16(PointValid, int16_t, i16, setI16)
  CORVANE_ARRAY16(Ch1Samples, uint16_t, u16, setU16)
  CORVANE_ARRAY16(Ch2Samples, uint16_t, u16, setU16)
  CORVANE_ARRAY16(RecallSamples, uint16_t, u16, setU16)
  CORVANE_ARRAY16(RecallValid, int16_t, i16, setI16)
  CORVANE_ARRAY16(LimitUpper, uint16_t, u16, setU16)
  CORVANE_ARRAY16(LimitLower, uint16_t, u16, setU16)
#undef CORVANE_ARRAY16

  int32_t ArithTrace(int i) const {
    return (i >= 0 && i < kArrayLength) ? i32(offsets::ArithTrace + 4 * std::size_t(i)) : 0;
  }
  void setArithTrace(int i, int32_t v) {
    if (i >= 0 && i < kArrayLength) setI32(offsets::ArithTrace + 4 * std::size_t(i), v);
  }

#define CORVANE_FIELD(Name, T, Getter, Setter) \
  T Name() const {                             \
    return Getter(offsets::Name);              \
  }                                            \
  void set##Name(T v) {                        \
    Setter(offsets::Name, v);                  \
  }
  CORVANE_FIELD(ArithPosition, uint16_t, u16, setU16)
  CORVANE_FIELD(Ch1Hidden, uint8_t, u8, setU8)
  CORVANE_FIELD(Ch2Hidden, uint8_t, u8, setU8)
  CORVANE_FIELD(TimeDivIndex, uint8_t, u8, setU8)
  CORVANE_FIELD(Ch1VoltDivIndex, uint8_t, u8, setU8)
  CORVANE_FIELD(Ch2VoltDivIndex, uint8_t, u8, setU8)
  CORVANE_FIELD(Ch1Coupling, uint8_t, u8, setU8)
  CORVANE_FIELD(Ch2Coupling, uint8_t, u8, setU8)
  CORVANE_FIELD(Ch1Position, uint16_t, u16, setU16)
  CORVANE_FIELD(Ch2Position, uint16_t, u16, setU16)
  CORVANE_FIELD(TriggerPosition, uint16_t, u16, setU16)
  CORVANE_FIELD(RecallSelect, uint8_t, u8, setU8)
  CORVANE_FIELD(RecallShown, uint8_t, u8, setU8)
  CORVANE_FIELD(LimitsHidden, uint8_t, u8, setU8)
  CORVANE_FIELD(TriggerMode, uint8_t, u8, setU8)
  CORVANE_FIELD(TriggerSource, uint8_t, u8, setU8)
  CORVANE_FIELD(TriggerCoupling, uint8_t, u8, setU8)
  CORVANE_FIELD(TriggerSlope, uint8_t, u8, setU8)
  CORVANE_FIELD(TriggerType, uint8_t, u8, setU8)
  CORVANE_FIELD(TvSync, uint8_t, u8, setU8)
  CORVANE_FIELD(Ch1Probe, uint8_t, u8, setU8)
  CORVANE_FIELD(Ch2Probe, uint8_t, u8, setU8)
  CORVANE_FIELD(TriggerLevel, uint16_t, u16, setU16)
  CORVANE_FIELD(GridKind, uint8_t, u8, setU8)
  CORVANE_FIELD(XYFormat, uint8_t, u8, setU8)
  CORVANE_FIELD(VariantFlag, uint8_t, u8, setU8)
  CORVANE_FIELD(ArithMode, uint8_t, u8, setU8)
  CORVANE_FIELD(ArithShown, uint8_t, u8, setU8)
  CORVANE_FIELD(Averaging, uint8_t, u8, setU8)
  CORVANE_FIELD(PointStyle, uint8_t, u8, setU8)
  CORVANE_FIELD(RecallInfo1, uint8_t, u8, setU8)
  CORVANE_FIELD(RecallInfo2, uint8_t, u8, setU8)
  CORVANE_FIELD(RecallInfo3, uint8_t, u8, setU8)
  CORVANE_FIELD(RecallInfo4, uint16_t, u16, setU16)
  CORVANE_FIELD(RecallInfo5, uint8_t, u8, setU8)
  CORVANE_FIELD(LinkUsb, uint8_t, u8, setU8)
#undef CORVANE_FIELD

  // Per-channel views, channel 0 = CH1, 1 = CH2 (any other value reads as CH2).
  uint16_t sample(int ch, int i) const {
    return ch == 0 ? Ch1Samples(i) : Ch2Samples(i);
  }
  void setSample(int ch, int i, uint16_t v) {
    if (ch == 0)
      setCh1Samples(i, v);
    else
      setCh2Samples(i, v);
  }
  uint16_t position(int ch) const {
    return ch == 0 ? Ch1Position() : Ch2Position();
  }
  uint8_t voltDivIndex(int ch) const {
    return ch == 0 ? Ch1VoltDivIndex() : Ch2VoltDivIndex();
  }
  uint8_t probe(int ch) const {
    return ch == 0 ? Ch1Probe() : Ch2Probe();
  }
  uint8_t coupling(int ch) const {
    return ch == 0 ? Ch1Coupling() : Ch2Coupling();
  }
  uint8_t hidden(int ch) const {
    return ch == 0 ? Ch1Hidden() : Ch2Hidden();
  }

  bool operator==(const WaveformBlock& other) const {
    return bytes == other.bytes;
  }
};

static_assert(sizeof(WaveformBlock) == kBlockSize, "the record is exactly 18,120 bytes");

}  // namespace corvane
