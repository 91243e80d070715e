// Reply frames as the instrument sends them, and a scratch directory, for the protocol tests.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "protocol/command_frame.h"

namespace corvane::testing {

inline std::string threeDigits(int v) {
  std::string s = std::to_string(v);
  return std::string(s.size() < 3 ? 3 - s.size() : 0, '0') + s;
}

// STX, code, count, the body digits, a 4-digit trailer the decoder never reads, ETX.
inline std::string replyFrame(int code, int count, const std::string& digits) {
  return std::string(1, kStx) + FormatField(code) + FormatField(count) + digits + "0000" +
         std::string(1, kEtx);
}

inline std::string settingReply(int code, int value) {
  return replyFrame(code, 1, FormatField(value));
}

inline std::string fieldsReply(int code, const std::vector<int>& fields) {
  std::string digits;
  for (int f : fields) digits += FormatField(f);
  return replyFrame(code, static_cast<int>(fields.size()), digits);
}

inline std::string samplesReply(int code, int count, const std::vector<int>& samples) {
  std::string digits;
  for (int s : samples) digits += threeDigits(s);
  return replyFrame(code, count, digits);
}

inline std::span<const uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace corvane::testing
