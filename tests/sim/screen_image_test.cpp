#include "sim/screen_image.h"

#include <gtest/gtest.h>

#include "sim/instrument_screen.h"
#include "sim/kv2040_model.h"
#include "tests/sim/sim_test_support.h"

namespace corvane::sim {
namespace {

using test::framed;

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, std::size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
// Ink at screen (x, y), read back from the file the way a BMP reader does: bottom-up rows.
bool ink(const std::vector<uint8_t>& bmp, int x, int y) {
  const std::size_t at = 62 + std::size_t(239 - y) * 40 + std::size_t(x / 8);
  return (bmp[at] >> (7 - x % 8)) & 1;
}

TEST(ScreenImage, BmpHeaderDescribesAMonochrome320By240Picture) {
  const std::vector<uint8_t> b = ScreenImage{}.bmp();
  ASSERT_EQ(b.size(), 9662u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(le32(b, 2), 9662u);
  EXPECT_EQ(le32(b, 6), 0u);
  EXPECT_EQ(le32(b, 10), 62u);  // pixels follow the two palette entries
  EXPECT_EQ(le32(b, 14), 40u);
  EXPECT_EQ(le32(b, 18), 320u);
  EXPECT_EQ(le32(b, 22), 240u);
  EXPECT_EQ(le16(b, 26), 1);
  EXPECT_EQ(le16(b, 28), 1);  // bits per pixel
  EXPECT_EQ(le32(b, 30), 0u);
  EXPECT_EQ(le32(b, 34), 9600u);
  EXPECT_EQ(le32(b, 54), 0x00FFFFFFu);  // 0: white paper
  EXPECT_EQ(le32(b, 58), 0x00000000u);  // 1: black ink
  for (std::size_t k = 62; k < b.size(); ++k) ASSERT_EQ(b[k], 0) << k;
}

TEST(ScreenImage, PixelsLandInTheRightBitAndRow) {
  ScreenImage img;
  img.set(0, 0);
  img.set(9, 239);
  img.set(320, 5);  // outside: ignored
  img.set(-1, 5);
  const auto b = img.bmp();
  EXPECT_EQ(b[62 + 239 * 40], 0x80);  // top-left pixel, last row of the file
  EXPECT_EQ(b[62 + 1], 0x40);         // x 9 of the bottom row
  EXPECT_TRUE(img.get(9, 239));
  EXPECT_FALSE(img.get(1, 0));
}

TEST(InstrumentScreen, ShowsTheGraticuleOfTheChosenGridKind) {
  Kv2040Model model;
  InstrumentSettings s;
  s.ch[0].hidden = s.ch[1].hidden = 1;
  ASSERT_TRUE(model.setSettings(s));
  auto full = model.screenBmp();
  for (auto [x, y] : {std::pair{6, 25}, {256, 25}, {6, 225}, {256, 225}, {131, 125}, {100, 225}}) {
    EXPECT_TRUE(ink(full, x, y)) << x << "," << y;
  }
  EXPECT_TRUE(ink(full, 31, 50));  // a dot of the full grid
  EXPECT_FALSE(ink(full, 32, 50));
  EXPECT_FALSE(ink(full, 300, 100));  // outside the graticule
  s.gridKind = 1;                     // cross: only the centre axes
  ASSERT_TRUE(model.setSettings(s));
  auto cross = model.screenBmp();
  EXPECT_FALSE(ink(cross, 31, 50));
  EXPECT_TRUE(ink(cross, 131, 50));
  s.gridKind = 2;  // board: the frame with ticks
  ASSERT_TRUE(model.setSettings(s));
  auto board = model.screenBmp();
  EXPECT_FALSE(ink(board, 131, 50));
  EXPECT_TRUE(ink(board, 7, 50));
  EXPECT_TRUE(ink(board, 6, 60));
}

TEST(InstrumentScreen, DrawsShownTracesAndMarkers) {
  ModelOptions o;
  o.noiseCodes = 0;
  Kv2040Model model(o);
  InstrumentSettings s;
  s.gridKind = 2;
  s.ch[0].coupling = 2;  // flat at code 177: y 75
  s.ch[1].coupling = 2;  // flat at code 77: y 175
  ASSERT_TRUE(model.setSettings(s));
  auto b = model.screenBmp();
  EXPECT_TRUE(ink(b, 100, 75));
  EXPECT_TRUE(ink(b, 100, 175));
  EXPECT_FALSE(ink(b, 100, 76));
  EXPECT_TRUE(ink(b, 4, 75));    // CH1 ground marker tip
  EXPECT_TRUE(ink(b, 131, 23));  // trigger position marker tip
  EXPECT_TRUE(ink(b, 258, 50));  // trigger level marker tip (row 150)
  EXPECT_TRUE(ink(b, 5, 6));     // running

  s.ch[1].hidden = 1;
  s.triggerSource = 2;  // EXT: no level marker
  ASSERT_TRUE(model.setSettings(s));
  model.handleBytes(framed("01740008000001880370"));
  b = model.screenBmp();
  EXPECT_TRUE(ink(b, 100, 75));
  EXPECT_FALSE(ink(b, 100, 175));
  EXPECT_FALSE(ink(b, 258, 50));
  EXPECT_FALSE(ink(b, 5, 6));  // stopped: the box is hollow
  EXPECT_TRUE(ink(b, 0, 6));
}

TEST(InstrumentScreen, XyFormatPlotsChannelTwoAgainstChannelOne) {
  ModelOptions o;
  o.noiseCodes = 0;
  Kv2040Model model(o);
  InstrumentSettings s;
  s.gridKind = 2;
  s.xyFormat = 1;
  s.ch[0].coupling = 2;  // x = 131 + (177 - 127) = 181
  s.ch[1].coupling = 2;  // y = 252 - 77 = 175
  ASSERT_TRUE(model.setSettings(s));
  auto b = model.screenBmp();
  EXPECT_TRUE(ink(b, 181, 175));
  EXPECT_FALSE(ink(b, 100, 75));
}

}  // namespace
}  // namespace corvane::sim
