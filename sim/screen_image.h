// The instrument's 320 x 240 monochrome screen and its 9,662-byte BMP form: 14-byte file header,
// 40-byte info header, two palette entries (0 white paper, 1 black ink), then 240 bottom-up rows
// of 40 bytes, leftmost pixel in the highest bit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace corvane::sim {

class ScreenImage {
 public:
  static constexpr int kWidth = 320;
  static constexpr int kHeight = 240;
  static constexpr int kRowBytes = kWidth / 8;
  static constexpr int kPixelOffset = 62;
  static constexpr int kBmpSize = kPixelOffset + kRowBytes * kHeight;  // 9,662

  // Points outside the screen are ignored.
  void set(int x, int y);
  bool get(int x, int y) const;
  // A line from (x0, y0) to (x1, y1), both ends included, drawn only inside the clip rectangle.
  void line(int x0, int y0, int x1, int y1, int clipLeft, int clipTop, int clipRight,
            int clipBottom);
  std::vector<uint8_t> bmp() const;

 private:
  std::array<uint8_t, kRowBytes * kHeight> bits_{};  // top row first
};

}  // namespace corvane::sim
