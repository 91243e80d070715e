#include "storage/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvane {
namespace {

std::string joinPath(const std::string& dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  if (dir.back() == '/') return dir + std::string(name);
  return dir + "/" + std::string(name);
}

}  // namespace

FileStatus fileError(const std::string& path, int err) {
  FileStatus s;
  s.ok = false;
  s.error = err;
  s.message = "Cannot access file \"" + path + "\". " + std::strerror(err);
  return s;
}

FileStatus readWhole(const std::string& path, std::string& out, std::size_t limit) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fileError(path, errno);
  struct stat st {};
  const bool statFailed = ::fstat(fd, &st) != 0;
  if (statFailed || !S_ISREG(st.st_mode)) {
    const int err = statFailed ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return fileError(path, err);
  }
  out.clear();
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return fileError(path, err);
    }
    if (n == 0) break;
    out.append(buf, std::size_t(n));
    if (out.size() > limit) break;
  }
  ::close(fd);
  return {};
}

FileStatus writeFileReplacing(const std::string& path, std::string_view data) {
  std::string tmp = path + ".XXXXXX";
  int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) return fileError(path, errno);
  ::fchmod(fd, 0644);
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      return fileError(path, err);
    }
    done += std::size_t(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    return fileError(path, err);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    return fileError(path, err);
  }
  return {};
}

ReadDataResult readDataFile(const std::string& path) {
  ReadDataResult r;
  std::string data;
  r.status = readWhole(path, data, kBlockSize);
  if (!r.status) return r;
  if (data.size() != kBlockSize) {
    r.status.ok = false;
    r.status.wrongSize = true;
    r.status.message = std::string(kNotVerifiedText);
    return r;
  }
  std::memcpy(r.block.bytes.data(), data.data(), kBlockSize);
  return r;
}

FileStatus writeDataFile(const std::string& path, const WaveformBlock& block) {
  return writeFileReplacing(
      path, std::string_view(reinterpret_cast<const char*>(block.bytes.data()), kBlockSize));
}

std::string notesFileName(const std::string& dataPath) {
  std::size_t keep = dataPath.size() >= 3 ? dataPath.size() - 3 : 0;
  return dataPath.substr(0, keep) + "TXT";
}

std::vector<std::string> splitNotes(std::string_view text) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(current));
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(std::move(current));
  return lines;
}

ReadNotesResult readNotesFile(const std::string& path) {
  ReadNotesResult r;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return r;
  std::string text;
  // Notes are typed by hand; 16 MiB is far beyond any real notes page.
  r.status = readWhole(path, text, 16u << 20);
  if (!r.status) return r;
  r.lines = splitNotes(text);
  return r;
}

FileStatus writeNotesFile(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return writeFileReplacing(path, text);
}

StartupRecord readStartupRecord(const std::string& dir) {
  StartupRecord s;
  std::string dataPath = joinPath(dir, kTempDataName);
  struct stat st {};
  if (::stat(dataPath.c_str(), &st) != 0 && errno == ENOENT) return s;
  ReadDataResult r = readDataFile(dataPath);
  if (!r.status) {
    s.kind = StartupRecord::Kind::Refused;
    s.message = r.status.message;
    return s;
  }
  s.kind = StartupRecord::Kind::Loaded;
  s.block = r.block;
  ReadNotesResult notes = readNotesFile(joinPath(dir, kTempNotesName));
  if (notes.status) s.notes = std::move(notes.lines);
  return s;
}

FileStatus writeExitRecord(const std::string& dir, const WaveformBlock& block,
                           const std::vector<std::string>& notes) {
  FileStatus s = writeDataFile(joinPath(dir, kTempDataName), block);
  if (!s) return s;
  return writeNotesFile(joinPath(dir, kTempNotesName), notes);
}

}  // namespace corvane
