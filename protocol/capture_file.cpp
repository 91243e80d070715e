#include "protocol/capture_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace corvane {

namespace {

std::string fileError(const char* what, const std::filesystem::path& file, int err) {
  return std::string(what) + " \"" + file.string() + "\". " + std::strerror(err);
}

}  // namespace

CaptureWriteResult DirectoryCaptureWriter::writeCapture(std::span<const uint8_t> bytes) {
  const std::filesystem::path target = file();
  std::filesystem::path temp = target;
  temp += ".part";

  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return {false, target, fileError("Cannot create file", target, errno)};

  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      return {false, target, fileError("Cannot write file", target, err)};
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return {false, target, fileError("Cannot write file", target, err)};
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return {false, target, fileError("Cannot create file", target, err)};
  }
  return {true, target, {}};
}

}  // namespace corvane
