// The display bitmap as a BMP file: 24 bits per pixel, rows bottom-up, each row padded to a
// multiple of 4 bytes, the exact 0x00BBGGRR colours. A file is written beside its target and
// renamed over it only when complete, so a failed write never destroys an existing good file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scope/display_bitmap.h"

namespace corvane {

inline constexpr std::size_t kBmpHeaderSize = 54;  // file header 14 + info header 40

// `pixels` holds width x height 0x00BBGGRR values, top row first. Empty for a size below 1.
std::vector<uint8_t> EncodeBmp24(int width, int height, const uint32_t* pixels);
std::vector<uint8_t> EncodeBmp24(const DisplayBitmap& bitmap);

struct BmpWriteResult {
  bool ok = false;
  std::string message;  // "<path>: <system error text>" when not ok
};

// Writes `bytes` to "<path>.<pid>-<n>.part" in the target's folder, flushes it to disk, then
// renames it onto `path`. On failure the partial file is removed and `path` is untouched.
BmpWriteResult WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes);
BmpWriteResult WriteDisplayBmp(const std::string& path, const DisplayBitmap& bitmap);

}  // namespace corvane
