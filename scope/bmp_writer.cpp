#include "scope/bmp_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace corvane {
namespace {

void put16(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
  out[at] = uint8_t(v & 0xFF);
  out[at + 1] = uint8_t((v >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) out[at + std::size_t(k)] = uint8_t((v >> (8 * k)) & 0xFF);
}

BmpWriteResult failure(const std::string& path, int error) {
  return {false, path + ": " + std::strerror(error)};
}

std::atomic<unsigned> partCounter{0};

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

std::vector<uint8_t> EncodeBmp24(const DisplayBitmap& bitmap) {
  return EncodeBmp24(DisplayBitmap::width(), DisplayBitmap::height(), bitmap.data());
}

BmpWriteResult WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (path.empty()) return failure(path, ENOENT);
  const std::string part = path + "." + std::to_string(::getpid()) + "-" +
                           std::to_string(partCounter.fetch_add(1)) + ".part";
  const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return failure(path, errno);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      ::close(fd);
      ::unlink(part.c_str());
      return failure(path, error);
    }
    written += std::size_t(n);
  }
  int error = ::fsync(fd) == 0 ? 0 : errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(part.c_str());
    return failure(path, error);
  }
  if (std::rename(part.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(part.c_str());
    return failure(path, error);
  }
  return {true, {}};
}

BmpWriteResult WriteDisplayBmp(const std::string& path, const DisplayBitmap& bitmap) {
  return WriteFileReplacing(path, EncodeBmp24(bitmap));
}

}  // namespace corvane
