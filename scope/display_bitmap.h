// The scope window's 324 x 254 off-screen picture and the few primitives it is drawn with. The
// primitives paint exactly the pixels the classic Windows GDI calls paint, so the picture is the
// same on every machine: a line leaves out its end point and steps like Bresenham's algorithm, a
// polygon is its outline plus every pixel centre inside it, a rectangle excludes its right and
// bottom edges. Everything outside the bitmap is silently dropped.
#pragma once

#include <array>
#include <cstdint>

namespace corvane {

inline constexpr int kDisplayWidth = 324;
inline constexpr int kDisplayHeight = 254;

// Far enough out that clamping a coordinate cannot move a visible pixel of any line this program
// draws, near enough that the line arithmetic stays within 64 bits.
inline constexpr int64_t kCoordinateLimit = int64_t{1} << 28;

class DisplayBitmap {
 public:
  // 0x00BBGGRR, row-major from the top-left corner.
  using Pixels = std::array<uint32_t, std::size_t(kDisplayWidth) * kDisplayHeight>;

  DisplayBitmap() { pixels_.fill(0); }

  static constexpr int width() { return kDisplayWidth; }
  static constexpr int height() { return kDisplayHeight; }
  static bool contains(int64_t x, int64_t y) {
    return x >= 0 && x < kDisplayWidth && y >= 0 && y < kDisplayHeight;
  }

  // Reads 0 (black) outside the bitmap.
  uint32_t pixel(int64_t x, int64_t y) const { return contains(x, y) ? pixels_[index(x, y)] : 0; }
  void setPixel(int64_t x, int64_t y, uint32_t color) {
    if (contains(x, y)) pixels_[index(x, y)] = color & 0xFFFFFF;
  }
  const Pixels& pixels() const { return pixels_; }
  const uint32_t* data() const { return pixels_.data(); }

  void fill(uint32_t color) { pixels_.fill(color & 0xFFFFFF); }

  // A one-pixel line from (x0, y0) up to but not including (x1, y1). The longer axis steps one
  // pixel at a time; the other follows the exact line to the nearest pixel, a tie staying on the
  // start point's side (the error term of Bresenham's algorithm, stepped only when positive).
  // (x, y) -> (x, y) paints nothing; (x - 1, y) -> (x, y) paints the single pixel (x - 1, y).
  void drawLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t color);

  // Pixels left <= x < right, top <= y < bottom.
  void fillRect(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t color);

  // A rectangle as drawn with a pen and a brush: the area left <= x < right, top <= y < bottom
  // filled with `fill`, and its outermost ring of pixels in `outline`.
  void drawRectangle(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t outline,
                     uint32_t fill);

  // A triangle drawn with a pen and a brush of one colour: its three edges as closed lines (so
  // every vertex is painted) plus every pixel whose centre lies inside the triangle or on an edge.
  void fillTriangle(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t cx, int64_t cy,
                    uint32_t color);

  // One character cell of the built-in terminal face with its top-left corner at (x, y), on an
  // opaque background: the cell in `background`, the glyph's strokes in `foreground`.
  void drawGlyph(int64_t x, int64_t y, char c, uint32_t foreground, uint32_t background);

  bool operator==(const DisplayBitmap& other) const { return pixels_ == other.pixels_; }

 private:
  static std::size_t index(int64_t x, int64_t y) {
    return std::size_t(y) * kDisplayWidth + std::size_t(x);
  }
  Pixels pixels_;
};

}  // namespace corvane
