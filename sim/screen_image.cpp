#include "sim/screen_image.h"

#include <cstdlib>

namespace corvane::sim {
namespace {

void put16(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

}  // namespace

void ScreenImage::set(int x, int y) {
  if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
  bits_[std::size_t(y * kRowBytes + x / 8)] |= static_cast<uint8_t>(0x80u >> (x % 8));
}

bool ScreenImage::get(int x, int y) const {
  if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return false;
  return (bits_[std::size_t(y * kRowBytes + x / 8)] & (0x80u >> (x % 8))) != 0;
}

void ScreenImage::line(int x0, int y0, int x1, int y1, int clipLeft, int clipTop, int clipRight,
                       int clipBottom) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    if (x0 >= clipLeft && x0 <= clipRight && y0 >= clipTop && y0 <= clipBottom) set(x0, y0);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

std::vector<uint8_t> ScreenImage::bmp() const {
  std::vector<uint8_t> b(kBmpSize, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, kBmpSize);
  put32(b, 10, kPixelOffset);
  put32(b, 14, 40);  // info header size
  put32(b, 18, kWidth);
  put32(b, 22, kHeight);  // positive: bottom-up rows
  put16(b, 26, 1);        // planes
  put16(b, 28, 1);        // bits per pixel
  put32(b, 34, kRowBytes * kHeight);
  // Palette: 0 white, 1 black (blue, green, red, reserved).
  b[54] = b[55] = b[56] = 0xFF;
  for (int y = 0; y < kHeight; ++y) {
    const std::size_t row = std::size_t(kPixelOffset + (kHeight - 1 - y) * kRowBytes);
    for (int k = 0; k < kRowBytes; ++k)
      b[row + std::size_t(k)] = bits_[std::size_t(y * kRowBytes + k)];
  }
  return b;
}

}  // namespace corvane::sim
