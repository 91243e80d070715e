// Pictures as BMP files: 24 bits per pixel, rows bottom-up, each row padded to a multiple of 4
// bytes, the exact 0x00BBGGRR colours. Written beside the target and renamed over it, so a
// failed write never destroys an existing good file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/data_file.h"

namespace corvane {

inline constexpr std::size_t kBmpHeaderSize = 54;  // file header 14 + info header 40

// `pixels` holds width x height 0x00BBGGRR values, top row first. Empty for a size below 1.
std::vector<uint8_t> EncodeBmp24(int width, int height, const uint32_t* pixels);

// Encodes and writes through writeFileReplacing.
FileStatus writeBmpFile(const std::string& path, int width, int height, const uint32_t* pixels);

}  // namespace corvane
