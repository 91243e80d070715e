#include "cli/render_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "scope/bmp_writer.h"
#include "scope/display_render.h"

namespace corvane {
namespace {

constexpr const char* kUsage =
    "usage: corvane-cli render FILE.DSO OUT.bmp [--grid board|cross|full] "
    "[--cursors none|time|voltage|pair]";

int usage() {
  std::fprintf(stderr, "%s\n", kUsage);
  return 2;
}

int fileError(const std::string& path, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", path.c_str(), message.c_str());
  return 1;
}

// The record of a data file: exactly 18,120 bytes, nothing else is verified.
std::optional<WaveformBlock> readRecord(const std::string& path, std::string& message) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    message = std::strerror(errno);
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != off_t(kBlockSize)) {
    message = "Data isn't verified..";
    ::close(fd);
    return std::nullopt;
  }
  WaveformBlock record;
  std::size_t got = 0;
  while (got < kBlockSize) {
    const ssize_t n = ::read(fd, record.bytes.data() + got, kBlockSize - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      message = n < 0 ? std::strerror(errno) : "Data isn't verified..";
      ::close(fd);
      return std::nullopt;
    }
    got += std::size_t(n);
  }
  ::close(fd);
  return record;
}

}  // namespace

int renderCommand(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  std::optional<GridKind> grid;
  CursorType cursors = CursorType::None;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    std::string_view value;
    std::string_view option;
    if (arg.rfind("--", 0) == 0) {
      const auto eq = arg.find('=');
      option = arg.substr(0, eq);
      if (eq != std::string_view::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return usage();
      }
      if (option == "--grid") {
        grid = parseGridKindName(value);
        if (!grid) return usage();
      } else if (option == "--cursors") {
        auto type = parseCursorTypeName(value);
        if (!type) return usage();
        cursors = *type;
      } else {
        return usage();
      }
    } else {
      files.emplace_back(arg);
    }
  }
  if (files.size() != 2) return usage();

  std::string message;
  const std::optional<WaveformBlock> record = readRecord(files[0], message);
  if (!record) return fileError(files[0], message);
  const DisplayBitmap picture = renderRecordPicture(*record, grid, cursors);
  const BmpWriteResult written = WriteDisplayBmp(files[1], picture);
  if (!written.ok) {
    std::fprintf(stderr, "%s\n", written.message.c_str());
    return 1;
  }
  return 0;
}

}  // namespace corvane
