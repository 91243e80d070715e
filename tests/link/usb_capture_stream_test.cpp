#include "link/usb_capture_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace corvane {
namespace {

std::vector<uint8_t> imageStream(size_t imageBytes) {
  std::vector<uint8_t> s;
  s.push_back(0x02);
  for (size_t i = 0; i < imageBytes; ++i) s.push_back(uint8_t(i * 7 + 1));
  s.push_back(0x03);
  return s;
}

TEST(UsbCaptureStream, ScreenImageInSeveralPiecesGivesTheBitmapBetweenStxAndEtx) {
  const auto s = imageStream(9662);
  ASSERT_EQ(s.size(), 9664u);
  std::array<uint8_t, kCaptureBufSize> buf{};
  UsbCaptureStream stream(buf, 0);
  const size_t cuts[] = {1, 2047, 4096, 9000, 9663, 9664};
  size_t from = 0;
  for (size_t to : cuts) {
    stream.append(s.data() + from, to - from);
    from = to;
  }
  EXPECT_EQ(stream.streamLength(), 9664u);
  EXPECT_EQ(stream.imageLength(), 9662);
  EXPECT_FALSE(stream.overflowed());
  ASSERT_EQ(stream.image().size(), 9662u);
  EXPECT_EQ(stream.image().data(), buf.data());
  EXPECT_EQ(buf[0], 1);                         // first bitmap byte, the STX dropped
  EXPECT_EQ(buf[9661], uint8_t(9661 * 7 + 1));  // last bitmap byte
  EXPECT_EQ(buf[9662], 0x03);                   // the ETX is stored but not part of the image
  EXPECT_EQ(buf[9663], 0);
}

TEST(UsbCaptureStream, StreamLongerThanTheBufferIsCutAtItsEnd) {
  // The capture buffer sits inside a larger area whose guard bytes must stay untouched.
  std::vector<uint8_t> area(kCaptureBufSize + 64, 0xAA);
  std::span<uint8_t> buf(area.data(), kCaptureBufSize);
  UsbCaptureStream stream(buf, 0);
  const auto s = imageStream(20000);
  stream.append(s.data(), 10000);
  stream.append(s.data() + 10000, s.size() - 10000);
  EXPECT_EQ(stream.streamLength(), 20002u);
  EXPECT_TRUE(stream.overflowed());
  EXPECT_EQ(stream.imageLength(), 12197);
  EXPECT_EQ(area[12196], uint8_t(12196 * 7 + 1));
  for (size_t i = kCaptureBufSize; i < area.size(); ++i) ASSERT_EQ(area[i], 0xAA) << i;
}

TEST(UsbCaptureStream, ShortStreamsAndOffsetsStayInBounds) {
  std::array<uint8_t, kCaptureBufSize> buf{};
  {
    UsbCaptureStream stream(buf, 0);
    EXPECT_EQ(stream.imageLength(), 0);  // nothing arrived
    const uint8_t stx = 0x02;
    stream.append(&stx, 1);
    EXPECT_EQ(stream.streamLength(), 1u);
    EXPECT_EQ(stream.imageLength(), 0);  // not minus one
    stream.append(nullptr, 5);
    EXPECT_EQ(stream.streamLength(), 1u);
  }
  {
    // Stored from a start index: only the room left is used.
    UsbCaptureStream stream(buf, 12190);
    const auto s = imageStream(100);
    stream.append(s.data(), s.size());
    EXPECT_EQ(stream.imageLength(), 7);
    EXPECT_EQ(stream.image().data(), buf.data() + 12190);
    EXPECT_EQ(buf[12190], 1);
  }
  {
    UsbCaptureStream stream(buf, 65535);  // beyond the buffer: nothing stored
    const auto s = imageStream(10);
    stream.append(s.data(), s.size());
    EXPECT_EQ(stream.imageLength(), 0);
    EXPECT_TRUE(stream.overflowed());
  }
}

}  // namespace
}  // namespace corvane
