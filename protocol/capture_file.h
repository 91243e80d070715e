// The instrument's screen image: the capture buffer and the "Test.BMP" file it is written to.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "link/usb_capture_stream.h"  // kCaptureBufSize, shared with the USB capture

namespace corvane {

inline constexpr std::size_t kCaptureImageSize = 9662;  // 320 x 240 monochrome bitmap
inline constexpr const char* kCaptureFileName = "Test.BMP";

struct CaptureBuffer {
  std::array<uint8_t, kCaptureBufSize> CaptureBuf{};
  uint16_t CaptureLen = 0;  // where a USB capture stream is stored; its image length after it
};

struct CaptureWriteResult {
  bool ok = false;
  std::filesystem::path file;  // the file written (empty when nothing was written to disk)
  std::string error;           // the platform's message when !ok
};

class CaptureFileWriter {
 public:
  virtual ~CaptureFileWriter() = default;
  // Creates or overwrites the capture file with exactly these bytes.
  virtual CaptureWriteResult writeCapture(std::span<const uint8_t> bytes) = 0;
};

// Writes "Test.BMP" in a directory (empty = the current working directory). The bytes go to a
// temporary file beside it that is then renamed over it, so a failed write leaves the previous
// image intact.
class DirectoryCaptureWriter : public CaptureFileWriter {
 public:
  explicit DirectoryCaptureWriter(std::filesystem::path directory = {})
      : directory_(std::move(directory)) {}
  CaptureWriteResult writeCapture(std::span<const uint8_t> bytes) override;
  std::filesystem::path file() const { return directory_ / kCaptureFileName; }

 private:
  std::filesystem::path directory_;
};

// Writes nothing and reports success: for fuzzing and benchmarks.
class NullCaptureWriter : public CaptureFileWriter {
 public:
  CaptureWriteResult writeCapture(std::span<const uint8_t>) override { return {true, {}, {}}; }
};

}  // namespace corvane
