#include "scope/display_bitmap.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

namespace corvane {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

std::set<std::pair<int, int>> litPixels(const DisplayBitmap& b) {
  std::set<std::pair<int, int>> lit;
  for (int y = 0; y < kDisplayHeight; ++y) {
    for (int x = 0; x < kDisplayWidth; ++x) {
      if (b.pixel(x, y) != 0) lit.insert({x, y});
    }
  }
  return lit;
}

std::set<std::pair<int, int>> lineOf(int x0, int y0, int x1, int y1) {
  DisplayBitmap b;
  b.drawLine(x0, y0, x1, y1, kWhite);
  return litPixels(b);
}

// The plain error-term loop, every step visited: what the clipped line must reproduce.
void referenceLine(DisplayBitmap& b, int x, int y, int x1, int y1) {
  int dx = x1 - x, dy = y1 - y, sx = 1, sy = 1;
  if (dx < 0) dx = -dx, sx = -1;
  if (dy < 0) dy = -dy, sy = -1;
  if (dx > dy) {
    int err = 2 * dy - dx;
    for (int n = 0; n < dx; ++n, x += sx) {
      b.setPixel(x, y, kWhite);
      if (err > 0)
        y += sy, err += 2 * dy - 2 * dx;
      else
        err += 2 * dy;
    }
  } else {
    int err = 2 * dx - dy;
    for (int n = 0; n < dy; ++n, y += sy) {
      b.setPixel(x, y, kWhite);
      if (err > 0)
        x += sx, err += 2 * dx - 2 * dy;
      else
        err += 2 * dx;
    }
  }
}

TEST(DisplayBitmapLine, LeavesOutTheEndPointAndKeepsTiesOnTheStartSide) {
  using P = std::set<std::pair<int, int>>;
  EXPECT_EQ(lineOf(0, 0, 3, 0), (P{{0, 0}, {1, 0}, {2, 0}}));
  EXPECT_EQ(lineOf(5, 5, 5, 5), P{});
  EXPECT_EQ(lineOf(9, 4, 10, 4), (P{{9, 4}}));  // a dot: the pixel left of the end point
  // Halfway at x = 2 the pixel stays on the start point's row, in either direction.
  EXPECT_EQ(lineOf(0, 0, 4, 1), (P{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
  EXPECT_EQ(lineOf(4, 1, 0, 0), (P{{4, 1}, {3, 1}, {2, 1}, {1, 0}}));
  EXPECT_EQ(lineOf(0, 0, 1, 4), (P{{0, 0}, {0, 1}, {0, 2}, {1, 3}}));
  EXPECT_EQ(lineOf(3, 3, 0, 0), (P{{3, 3}, {2, 2}, {1, 1}}));
  EXPECT_EQ(lineOf(162, 10, 162, 14), (P{{162, 10}, {162, 11}, {162, 12}, {162, 13}}));
}

TEST(DisplayBitmapLine, ClippedLinesPaintTheSamePixelsAsTheFullWalk) {
  std::mt19937 rng(20240601);
  std::uniform_int_distribution<int> coord(-900, 1200);
  for (int n = 0; n < 3000; ++n) {
    const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
    DisplayBitmap clipped, reference;
    clipped.drawLine(x0, y0, x1, y1, kWhite);
    referenceLine(reference, x0, y0, x1, y1);
    if (clipped == reference) continue;
    ASSERT_EQ(litPixels(clipped), litPixels(reference))
        << "(" << x0 << "," << y0 << ") -> (" << x1 << "," << y1 << ")";
  }
}

TEST(DisplayBitmapLine, FarOffEndPointsAreCheapAndStayInBounds) {
  DisplayBitmap b;
  b.drawLine(20, -2'000'000'000, 22, 100, kWhite);
  b.drawLine(INT64_MIN, INT64_MIN, INT64_MAX, INT64_MAX, kWhite);
  b.drawLine(100, INT64_MAX, 100, INT64_MIN, kWhite);
  EXPECT_EQ(b.pixel(22, 50), kWhite);
  EXPECT_EQ(b.pixel(21, 50), 0u);
  EXPECT_EQ(b.pixel(20, 50), 0u);
  EXPECT_EQ(b.pixel(22, 100), 0u);  // the end point
  EXPECT_EQ(b.pixel(100, 0), kWhite);
  EXPECT_EQ(b.pixel(100, 253), kWhite);
  EXPECT_EQ(b.pixel(-1, 5), 0u);
  b.setPixel(324, 0, kWhite);
  b.setPixel(0, 254, kWhite);
  EXPECT_EQ(b.pixel(324, 0), 0u);
}

TEST(DisplayBitmapShapes, TriangleIsOutlinePlusInteriorCentres) {
  DisplayBitmap b;
  b.fillTriangle(100, 8, 97, 3, 103, 3, 0x0000FF);
  const std::pair<int, int> spans[] = {{97, 103}, {98, 102}, {98, 102},
                                       {99, 101}, {99, 101}, {100, 100}};
  for (int row = 3; row <= 8; ++row) {
    for (int x = 94; x <= 106; ++x) {
      const auto [from, to] = spans[row - 3];
      EXPECT_EQ(b.pixel(x, row), (x >= from && x <= to) ? 0x0000FFu : 0u) << x << "," << row;
    }
  }
  EXPECT_EQ(litPixels(b).size(), 24u);
}

TEST(DisplayBitmapShapes, RectangleExcludesRightAndBottomEdges) {
  DisplayBitmap b;
  b.drawRectangle(10, 20, 15, 25, 0x111111, 0x222222);
  EXPECT_EQ(b.pixel(10, 20), 0x111111u);
  EXPECT_EQ(b.pixel(14, 24), 0x111111u);
  EXPECT_EQ(b.pixel(14, 20), 0x111111u);
  EXPECT_EQ(b.pixel(11, 21), 0x222222u);
  EXPECT_EQ(b.pixel(13, 23), 0x222222u);
  EXPECT_EQ(b.pixel(15, 22), 0u);
  EXPECT_EQ(b.pixel(12, 25), 0u);
  EXPECT_EQ(litPixels(b).size(), 25u);
  b.fillRect(-5, -5, 2, 1, kWhite);
  EXPECT_EQ(b.pixel(1, 0), kWhite);
  EXPECT_EQ(b.pixel(2, 0), 0u);
}

TEST(DisplayBitmapShapes, GlyphCellIsOpaqueWithInverseStrokes) {
  DisplayBitmap b;
  b.fill(0x777777);
  b.drawGlyph(4, 65, '1', 0x000000, kWhite);
  EXPECT_EQ(b.pixel(4, 65), kWhite);   // cell background, top-left
  EXPECT_EQ(b.pixel(11, 76), kWhite);  // bottom-right of the 8 x 12 cell
  EXPECT_EQ(b.pixel(12, 65), 0x777777u);
  EXPECT_EQ(b.pixel(4, 77), 0x777777u);
  EXPECT_EQ(b.pixel(7, 66), 0u);  // the "1" stroke
  EXPECT_EQ(b.pixel(8, 70), 0u);
  EXPECT_EQ(b.pixel(6, 70), kWhite);
  b.drawGlyph(20, 20, '?', 0, 0x123456);
  EXPECT_EQ(b.pixel(23, 25), 0x123456u);
  b.drawGlyph(-3, 250, 'M', 0, kWhite);  // half outside: clipped, not a fault
  EXPECT_EQ(b.pixel(0, 250), kWhite);
  EXPECT_EQ(b.pixel(0, 253), 0u);
  EXPECT_EQ(b.pixel(4, 253), kWhite);
}

}  // namespace
}  // namespace corvane
