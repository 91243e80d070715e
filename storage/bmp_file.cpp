#include "storage/bmp_file.h"
namespace corvane {
namespace {

void put16(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
  out[at] = uint8_t(v & 0xFF);
  out[at + 1] = uint8_t((v >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) out[at + std::size_t(k)] = uint8_t((v >> (8 * k)) & 0xFF);
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(int width, int height, const uint32_t* pixels) {
  // 32767 x 32767 keeps every size field well inside 32 bits.
  if (width < 1 || height < 1 || width > 32767 || height > 32767 || pixels == nullptr) return {};
  const std::size_t rowBytes = (std::size_t(width) * 3 + 3) & ~std::size_t{3};
  const std::size_t imageBytes = rowBytes * std::size_t(height);
  std::vector<uint8_t> out(kBmpHeaderSize + imageBytes, 0);
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, uint32_t(out.size()));
  put32(out, 10, uint32_t(kBmpHeaderSize));
  put32(out, 14, 40);
  put32(out, 18, uint32_t(width));
  put32(out, 22, uint32_t(height));  // positive: bottom-up
  put16(out, 26, 1);                 // planes
  put16(out, 28, 24);                // bits per pixel
  put32(out, 30, 0);                 // no compression
  put32(out, 34, uint32_t(imageBytes));
  put32(out, 38, 3780);  // 96 dpi
  put32(out, 42, 3780);
  for (int y = 0; y < height; ++y) {
    const uint32_t* source = pixels + std::size_t(height - 1 - y) * std::size_t(width);
    uint8_t* row = out.data() + kBmpHeaderSize + std::size_t(y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      const uint32_t c = source[x];
      row[3 * x] = uint8_t((c >> 16) & 0xFF);     // blue
      row[3 * x + 1] = uint8_t((c >> 8) & 0xFF);  // green
      row[3 * x + 2] = uint8_t(c & 0xFF);         // red
    }
  }
  return out;
}

FileStatus writeBmpFile(const std::string& path, int width, int height, const uint32_t* pixels) {
  std::vector<uint8_t> bytes = EncodeBmp24(width, height, pixels);
  if (bytes.empty()) {
    FileStatus s;
    s.ok = false;
    s.message = "Cannot write \"" + path + "\": the picture is empty";
    return s;
  }
  return writeFileReplacing(
      path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace corvane
