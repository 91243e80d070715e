#include "protocol/reply_decoder.h"

#include <string_view>

#include "protocol/parse_int.h"

namespace corvane {

namespace {

struct SettingField {
  uint16_t code;
  std::size_t offset;
  bool wide;  // 16-bit field
};

// Setting replies: the instrument answers the command N+1 with the reply N and the value.
constexpr SettingField kSettingReplies[] = {
    {1, offsets::Ch1Coupling, false},     {3, offsets::Ch1Hidden, false},
    {5, offsets::Ch1VoltDivIndex, false}, {7, offsets::Ch1Position, true},
    {9, offsets::Ch1Probe, false},        {21, offsets::Ch2Coupling, false},
    {23, offsets::Ch2Hidden, false},      {25, offsets::Ch2VoltDivIndex, false},
    {27, offsets::Ch2Position, true},     {29, offsets::Ch2Probe, false},
    {31, offsets::TimeDivIndex, false},   {32, offsets::TimeDivIndex, false},
    {42, offsets::TriggerPosition, true}, {52, offsets::ArithMode, false},
    {70, offsets::RecallSelect, false},   {80, offsets::TriggerMode, false},
    {82, offsets::TriggerSource, false},  {84, offsets::TriggerCoupling, false},
    {86, offsets::TriggerType, false},    {88, offsets::TvSync, false},
    {90, offsets::TriggerSlope, false},   {92, offsets::TriggerLevel, true},
    {110, offsets::GridKind, false},      {112, offsets::PointStyle, false},
    {114, offsets::XYFormat, false},      {124, offsets::Averaging, false},
    {171, offsets::VariantFlag, false},
};

// The 23 four-digit fields of the status reply 209, in body order.
constexpr SettingField kStatusFields[] = {
    {0, offsets::Ch1Hidden, false},       {0, offsets::Ch1VoltDivIndex, false},
    {0, offsets::Ch1Coupling, false},     {0, offsets::Ch1Position, true},
    {0, offsets::Ch1Probe, false},        {0, offsets::Ch2Hidden, false},
    {0, offsets::Ch2VoltDivIndex, false}, {0, offsets::Ch2Coupling, false},
    {0, offsets::Ch2Position, true},      {0, offsets::Ch2Probe, false},
    {0, offsets::TimeDivIndex, false},    {0, offsets::TriggerPosition, true},
    {0, offsets::TriggerType, false},     {0, offsets::TriggerSource, false},
    {0, offsets::TriggerCoupling, false}, {0, offsets::TvSync, false},
    {0, offsets::TriggerSlope, false},    {0, offsets::TriggerMode, false},
    {0, offsets::TriggerLevel, true},     {0, offsets::PointStyle, false},
    {0, offsets::XYFormat, false},        {0, offsets::GridKind, false},
    {0, offsets::ArithMode, false},
};

constexpr int kHalf = 500;  // second half of a two-half data reply starts at sample 500
constexpr uint8_t kTimeDiv250Points = 6;  // 0.25 us/div: the instrument sends 250 points a half

int32_t field(std::span<const uint8_t> body, std::size_t pos, std::size_t width) {
  if (pos >= body.size() || width > body.size() - pos) return 0;
  return ParseIntOrZero(std::string_view(reinterpret_cast<const char*>(body.data() + pos), width));
}

int32_t field4(std::span<const uint8_t> body, int k) {
  return field(body, 8 + 4 * static_cast<std::size_t>(k), 4);
}

// Three-digit samples start at body index 8, right after ReplyCount.
uint16_t sample(std::span<const uint8_t> body, int k) {
  return static_cast<uint16_t>(field(body, 8 + 3 * static_cast<std::size_t>(k), 3));
}

void store(WaveformBlock& block, const SettingField& f, int32_t value) {
  if (f.wide) {
    block.setU16(f.offset, static_cast<uint16_t>(value));
  } else {
    block.setU8(f.offset, static_cast<uint8_t>(value));
  }
}

}  // namespace

ReplyDecoder::ReplyDecoder(WaveformBlock& block, CaptureBuffer& capture, ProtocolHost& host,
                           CaptureFileWriter& captureWriter)
    : block_(block), capture_(capture), host_(host), captureWriter_(&captureWriter) {}

void ReplyDecoder::DecodeReply(uint16_t ReplyCode, uint16_t ReplyCount, int32_t ReplyValue,
                               std::span<const uint8_t> FrameBuf) {
  for (const SettingField& f : kSettingReplies) {
    if (f.code == ReplyCode) {
      store(block_, f, ReplyValue);
      return;
    }
  }
  switch (ReplyCode) {
    case 207: {
      block_.setRecallSelect(static_cast<uint8_t>(ReplyValue));
      if (block_.RecallSelect() != 255) {
        block_.setRecallInfo1(static_cast<uint8_t>(field4(FrameBuf, 1)));
        block_.setRecallInfo2(static_cast<uint8_t>(field4(FrameBuf, 2)));
        block_.setRecallInfo3(static_cast<uint8_t>(field4(FrameBuf, 3)));
        block_.setRecallInfo4(static_cast<uint16_t>(field4(FrameBuf, 4)));
        block_.setRecallInfo5(static_cast<uint8_t>(field4(FrameBuf, 5)));
      }
      return;
    }
    case 209:
      for (int k = 0; k < static_cast<int>(std::size(kStatusFields)); ++k) {
        store(block_, kStatusFields[k], field4(FrameBuf, k));
      }
      return;
    case 203:
      decodeWaveform203(FrameBuf);
      return;
    case 205:
      for (int i = 0; i < kHalf; ++i) {
        block_.setRecallSamples(i, sample(FrameBuf, i));
        block_.setRecallValid(i, static_cast<int16_t>(sample(FrameBuf, kHalf + i)));
      }
      return;
    case 206:
      for (int i = 0; i < kHalf; ++i) {
        block_.setLimitUpper(i, sample(FrameBuf, i));
        block_.setLimitLower(i, sample(FrameBuf, kHalf + i));
      }
      return;
    case 201:
    case 202: {
      // The instrument's count is not bounded by anything: stop at the end of the array.
      const int n = ReplyCount < kArrayLength ? ReplyCount : kArrayLength;
      for (int k = 0; k < n; ++k) {
        if (ReplyCode == 201) {
          block_.setCh1Samples(k, sample(FrameBuf, k));
        } else {
          block_.setCh2Samples(k, sample(FrameBuf, k));
        }
      }
      return;
    }
    case 166:
      decodeCapture166(FrameBuf);
      return;
    default:
      return;
  }
}

void ReplyDecoder::decodeWaveform203(std::span<const uint8_t> body) {
  if (block_.TimeDivIndex() != kTimeDiv250Points) {
    for (int i = 0; i < kHalf; ++i) {
      block_.setCh1Samples(i, sample(body, i));
      block_.setCh2Samples(i, sample(body, kHalf + i));
    }
    return;
  }
  // 250 points per half, widened to the 500 of the record: with both channels shown each point
  // is doubled; with one shown, the two halves are its even and odd points.
  const uint8_t ch1Hidden = block_.Ch1Hidden();
  const uint8_t ch2Hidden = block_.Ch2Hidden();
  for (int i = 0; i < kHalf / 2; ++i) {
    const uint16_t a = sample(body, i);
    const uint16_t b = sample(body, kHalf + i);
    if (ch1Hidden == 0 && ch2Hidden == 0) {
      block_.setCh1Samples(2 * i, a);
      block_.setCh1Samples(2 * i + 1, a);
      block_.setCh2Samples(2 * i, b);
      block_.setCh2Samples(2 * i + 1, b);
    } else if (ch1Hidden == 1 && ch2Hidden == 0) {
      block_.setCh2Samples(2 * i, a);
      block_.setCh2Samples(2 * i + 1, b);
    } else if (ch1Hidden == 0 && ch2Hidden == 1) {
      block_.setCh1Samples(2 * i, a);
      block_.setCh1Samples(2 * i + 1, b);
    } else {
      return;  // both hidden (or unknown flags): the previous samples stay
    }
  }
}

void ReplyDecoder::decodeCapture166(std::span<const uint8_t> body) {
  for (std::size_t k = 0; k < kCaptureImageSize; ++k) {
    capture_.CaptureBuf[k] = static_cast<uint8_t>(sample(body, static_cast<int>(k)));
  }
  const CaptureWriteResult written = captureWriter_->writeCapture(
      std::span<const uint8_t>(capture_.CaptureBuf.data(), kCaptureImageSize));
  if (written.ok) {
    host_.ShowCapturedImage(written.file);
  } else {
    host_.showError(written.error);
  }
  // The capture request locked the command controls; they are released either way.
  host_.EnableCommandControls(true);
}

}  // namespace corvane
