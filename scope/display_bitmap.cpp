#include "scope/display_bitmap.h"

#include <algorithm>

#include "scope/glyphs_terminal.h"

namespace corvane {
namespace {

int64_t clampCoordinate(int64_t v) {
  return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

// Steps i = 0 .. length - 1 along the major axis; the minor offset of step i is
// floor((2 i rise + length - 1) / (2 length)), the nearest pixel with a tie kept on the start's
// side. Only the steps whose major coordinate lies inside 0 .. majorSize - 1 are visited, so a
// line of any length costs at most one pass across the bitmap.
template <typename Plot>
void stepLine(int64_t major0, int64_t minor0, int64_t majorStep, int64_t minorStep, int64_t length,
              int64_t rise, int64_t majorSize, Plot plot) {
  int64_t first = 0;
  int64_t last = length - 1;
  if (majorStep > 0) {
    first = std::max(first, -major0);
    last = std::min(last, majorSize - 1 - major0);
  } else {
    first = std::max(first, major0 - (majorSize - 1));
    last = std::min(last, major0);
  }
  if (first > last) return;
  const int64_t twoLength = 2 * length;
  // A line starting inside the bitmap (the common case) needs no division.
  int64_t offset = 0;
  int64_t remainder = length - 1;
  if (first > 0) {
    const int64_t numerator = 2 * first * rise + length - 1;
    offset = numerator / twoLength;
    remainder = numerator % twoLength;
  }
  for (int64_t i = first; i <= last; ++i) {
    plot(major0 + majorStep * i, minor0 + minorStep * offset);
    remainder += 2 * rise;
    if (remainder >= twoLength) {
      remainder -= twoLength;
      ++offset;
    }
  }
}

}  // namespace

void DisplayBitmap::drawLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t color) {
  x0 = clampCoordinate(x0);
  y0 = clampCoordinate(y0);
  x1 = clampCoordinate(x1);
  y1 = clampCoordinate(y1);
  const int64_t dx = x1 - x0;
  const int64_t dy = y1 - y0;
  const int64_t adx = dx < 0 ? -dx : dx;
  const int64_t ady = dy < 0 ? -dy : dy;
  const int64_t sx = dx < 0 ? -1 : 1;
  const int64_t sy = dy < 0 ? -1 : 1;
  if (adx > ady) {
    stepLine(x0, y0, sx, sy, adx, ady, kDisplayWidth,
             [&](int64_t x, int64_t y) { setPixel(x, y, color); });
  } else if (ady > 0) {
    stepLine(y0, x0, sy, sx, ady, adx, kDisplayHeight,
             [&](int64_t y, int64_t x) { setPixel(x, y, color); });
  }
}

void DisplayBitmap::fillRect(int64_t left, int64_t top, int64_t right, int64_t bottom,
                             uint32_t color) {
  const int64_t x0 = std::max<int64_t>(left, 0);
  const int64_t x1 = std::min<int64_t>(right, kDisplayWidth);
  const int64_t y0 = std::max<int64_t>(top, 0);
  const int64_t y1 = std::min<int64_t>(bottom, kDisplayHeight);
  color &= 0xFFFFFF;
  for (int64_t y = y0; y < y1; ++y) {
    for (int64_t x = x0; x < x1; ++x) pixels_[index(x, y)] = color;
  }
}

void DisplayBitmap::drawRectangle(int64_t left, int64_t top, int64_t right, int64_t bottom,
                                  uint32_t outline, uint32_t fill) {
  left = clampCoordinate(left);
  top = clampCoordinate(top);
  right = clampCoordinate(right);
  bottom = clampCoordinate(bottom);
  if (right <= left || bottom <= top) return;
  fillRect(left, top, right, bottom, fill);
  fillRect(left, top, right, top + 1, outline);
  fillRect(left, bottom - 1, right, bottom, outline);
  fillRect(left, top, left + 1, bottom, outline);
  fillRect(right - 1, top, right, bottom, outline);
}

void DisplayBitmap::fillTriangle(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t cx,
                                 int64_t cy, uint32_t color) {
  ax = clampCoordinate(ax);
  ay = clampCoordinate(ay);
  bx = clampCoordinate(bx);
  by = clampCoordinate(by);
  cx = clampCoordinate(cx);
  cy = clampCoordinate(cy);
  const int64_t x0 = std::max<int64_t>(std::min({ax, bx, cx}), 0);
  const int64_t x1 = std::min<int64_t>(std::max({ax, bx, cx}), kDisplayWidth - 1);
  const int64_t y0 = std::max<int64_t>(std::min({ay, by, cy}), 0);
  const int64_t y1 = std::min<int64_t>(std::max({ay, by, cy}), kDisplayHeight - 1);
  // Edge functions: a centre is inside or on the triangle when none of them has the sign
  // opposite to the others, whichever way round the vertices are given.
  auto edge = [](int64_t px, int64_t py, int64_t qx, int64_t qy, int64_t x, int64_t y) {
    return (qx - px) * (y - py) - (qy - py) * (x - px);
  };
  for (int64_t y = y0; y <= y1; ++y) {
    for (int64_t x = x0; x <= x1; ++x) {
      const int64_t e0 = edge(ax, ay, bx, by, x, y);
      const int64_t e1 = edge(bx, by, cx, cy, x, y);
      const int64_t e2 = edge(cx, cy, ax, ay, x, y);
      const bool anyNegative = e0 < 0 || e1 < 0 || e2 < 0;
      const bool anyPositive = e0 > 0 || e1 > 0 || e2 > 0;
      if (!(anyNegative && anyPositive)) setPixel(x, y, color);
    }
  }
  drawLine(ax, ay, bx, by, color);
  drawLine(bx, by, cx, cy, color);
  drawLine(cx, cy, ax, ay, color);
}

void DisplayBitmap::drawGlyph(int64_t x, int64_t y, char c, uint32_t foreground,
                              uint32_t background) {
  x = clampCoordinate(x);
  y = clampCoordinate(y);
  fillRect(x, y, x + kGlyphWidth, y + kGlyphHeight, background);
  const GlyphRows* rows = terminalGlyph(c);
  if (rows == nullptr) return;
  for (int r = 0; r < kGlyphHeight; ++r) {
    for (int col = 0; col < kGlyphWidth; ++col) {
      if (((*rows)[std::size_t(r)] >> (7 - col)) & 1) setPixel(x + col, y + r, foreground);
    }
  }
}

}  // namespace corvane
