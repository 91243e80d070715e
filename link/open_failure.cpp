#include "link/open_failure.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "link/serial_device_list.h"

namespace corvane {

namespace {

constexpr const char* kChooseAnother = "choose another device (corvane-cli ports lists them)";

std::string readLink(const std::string& path) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, std::size_t(n)) : std::string();
}

bool allDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string groupName(gid_t gid) {
  if (const group* g = ::getgrgid(gid)) return g->gr_name;
  return std::to_string(gid);
}

std::string userName(uid_t uid) {
  if (const passwd* p = ::getpwuid(uid)) return p->pw_name;
  return std::to_string(uid);
}

std::string modeText(mode_t mode) {
  std::string s = S_ISCHR(mode) ? "c" : S_ISDIR(mode) ? "d" : S_ISREG(mode) ? "-" : "?";
  const char* rwx = "rwxrwxrwx";
  for (int i = 0; i < 9; ++i) s += (mode & (0400 >> i)) ? rwx[i] : '-';
  return s;
}

bool processHasGroup(gid_t gid) {
  if (::getegid() == gid) return true;
  const int n = ::getgroups(0, nullptr);
  if (n <= 0) return false;
  std::vector<gid_t> groups(std::size_t(n), 0);
  const int got = ::getgroups(n, groups.data());
  return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// The group database lists the user in the group although this session does not have it yet.
bool userListedInGroup(gid_t gid) {
  const passwd* p = ::getpwuid(::getuid());
  if (p == nullptr) return false;
  int n = 64;
  std::vector<gid_t> groups(std::size_t(n), 0);
  if (::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &n) < 0) {
    groups.resize(std::size_t(n));
    if (::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &n) < 0) return false;
  }
  return std::find(groups.begin(), groups.begin() + n, gid) != groups.begin() + n;
}

void describeNotPermitted(OpenFailure& f) {
  f.kind = OpenFailureKind::kNotPermitted;
  struct stat st {};
  if (::stat(f.device.c_str(), &st) != 0) {
    f.reason = "permission denied";
    f.remedy = std::string("install Corvane's udev rule ") + kUdevRuleName +
               " and plug the device in again";
    return;
  }
  const std::string group = groupName(st.st_gid);
  f.reason = "permission denied: it belongs to user " + userName(st.st_uid) + ", group " + group +
             " (" + modeText(st.st_mode) + ")";
  const bool groupMayUse = (st.st_mode & S_IRGRP) && (st.st_mode & S_IWGRP) && st.st_gid != 0;
  if (groupMayUse && !processHasGroup(st.st_gid) && userListedInGroup(st.st_gid)) {
    f.reason += ", and this session was started before you joined group " + group;
    f.remedy = "log out and in again";
  } else if (groupMayUse) {
    f.reason += ", and you are not in group " + group;
    f.remedy = "join the group: sudo usermod -aG " + group +
               " $USER, then log in again; or install Corvane's udev rule " + kUdevRuleName +
               " and plug the device in again";
  } else {
    f.remedy = std::string("install Corvane's udev rule ") + kUdevRuleName +
               " and plug the device in again";
  }
}

void describeMissing(OpenFailure& f) {
  f.kind = OpenFailureKind::kMissing;
  struct stat st {};
  const bool nodeThere = ::lstat(f.device.c_str(), &st) == 0;
  if (nodeThere && S_ISLNK(st.st_mode) && ::stat(f.device.c_str(), &st) != 0) {
    // A /dev/serial/by-id link outlives nothing; this one points at a node that has gone.
    f.reason = "it points to " + readLink(f.device) + ", which is not there (unplugged?)";
  } else if (f.error == EIO) {
    f.reason = "the device does not respond (unplugged, or its other end closed)";
  } else if (nodeThere && (f.error == ENXIO || f.error == ENODEV)) {
    f.reason = "no device answers behind this node";
  } else {
    f.reason = "there is no such device";
  }
  f.remedy = std::string("plug the adapter in, or ") + kChooseAnother;
}

void describeNotSerial(OpenFailure& f) {
  f.kind = OpenFailureKind::kNotSerial;
  struct stat st {};
  if (::stat(f.device.c_str(), &st) != 0) {
    f.reason = "it is not a serial device";
  } else if (S_ISDIR(st.st_mode)) {
    f.reason = "it is a directory, not a serial device";
  } else if (S_ISREG(st.st_mode)) {
    f.reason = "it is a regular file, not a serial device";
  } else if (S_ISFIFO(st.st_mode)) {
    f.reason = "it is a pipe, not a serial device";
  } else if (S_ISSOCK(st.st_mode)) {
    f.reason = "it is a socket, not a serial device";
  } else if (S_ISBLK(st.st_mode)) {
    f.reason = "it is a block device, not a serial device";
  } else {
    f.reason = "it is a device that takes no serial line settings";
  }
  f.remedy = kChooseAnother;
}

void describeInUse(OpenFailure& f, const std::string& procRoot) {
  f.kind = OpenFailureKind::kInUse;
  f.holders = deviceHolders(f.device, procRoot);
  if (f.holders.empty()) {
    f.reason = "it is in use by another program";
  } else {
    f.reason = "it is in use by " + holdersText(f.holders);
  }
  f.remedy = "close that program, or " + std::string(kChooseAnother);
}

}  // namespace

std::string OpenFailure::detail() const {
  if (!failed()) return {};
  std::string t = reason;
  if (!remedy.empty()) t += ". " + std::string(1, char(std::toupper(remedy[0]))) + remedy.substr(1);
  return t + ".";
}

std::string OpenFailure::text() const {
  return failed() ? device + ": " + detail() : std::string();
}

std::string holdersText(const std::vector<DeviceHolder>& holders) {
  std::string t;
  for (const DeviceHolder& h : holders) {
    if (!t.empty()) t += ", ";
    t += (h.program.empty() ? std::string("a program") : h.program) + " (process " +
         std::to_string(h.pid) + (h.self ? ", this program" : "") + ")";
  }
  return t;
}

std::vector<DeviceHolder> deviceHolders(const std::string& device, const std::string& procRoot) {
  std::vector<DeviceHolder> holders;
  struct stat target {};
  if (::stat(device.c_str(), &target) != 0 || !S_ISCHR(target.st_mode)) return holders;
  const std::string real = realPath(device);
  DIR* proc = ::opendir(procRoot.c_str());
  if (proc == nullptr) return holders;
  const int self = static_cast<int>(::getpid());
  while (const dirent* e = ::readdir(proc)) {
    if (!allDigits(e->d_name)) continue;
    const std::string pidDir = procRoot + "/" + e->d_name;
    DIR* fds = ::opendir((pidDir + "/fd").c_str());
    if (fds == nullptr) continue;  // gone, or not ours to look at
    bool holds = false;
    while (const dirent* fd = ::readdir(fds)) {
      if (!allDigits(fd->d_name)) continue;
      const std::string link = pidDir + "/fd/" + fd->d_name;
      const std::string to = readLink(link);
      if (to.empty()) continue;
      if (!real.empty() && to == real) {
        holds = true;
        break;
      }
      // Only nodes under /dev are followed: stat on another process's descriptor of a network
      // file could block.
      struct stat st {};
      if (to.rfind("/dev/", 0) == 0 && ::stat(link.c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
          st.st_rdev == target.st_rdev) {
        holds = true;
        break;
      }
    }
    ::closedir(fds);
    if (!holds) continue;
    DeviceHolder h;
    h.pid = std::atoi(e->d_name);
    h.program = readAttribute(pidDir + "/comm");
    h.self = h.pid == self;
    holders.push_back(std::move(h));
  }
  ::closedir(proc);
  std::sort(holders.begin(), holders.end(),
            [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
  return holders;
}

OpenFailure describeOpenFailure(const std::string& device, int error, const std::string& procRoot) {
  OpenFailure f;
  f.device = device;
  f.error = error;
  switch (error) {
    case 0:
      f.device.clear();
      return f;
    case EACCES:
    case EPERM:
      describeNotPermitted(f);
      break;
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
    case EIO:
      describeMissing(f);
      break;
    case EBUSY:
    case EWOULDBLOCK:  // the flock of another open; EAGAIN is the same number
      describeInUse(f, procRoot);
      break;
    case EINVAL: {
      struct stat st {};
      if (::stat(device.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
        f.kind = OpenFailureKind::kOther;
        f.reason = "it refuses these line settings (rate, parity or data bits)";
        f.remedy = "choose settings the device supports";
      } else {
        describeNotSerial(f);
      }
      break;
    }
    case ENOTTY:
    case EISDIR:
      describeNotSerial(f);
      break;
    default:
      f.kind = OpenFailureKind::kOther;
      f.reason = std::strerror(error);
      break;
  }
  if (device.empty()) {
    f.device = "(no device)";
  }
  return f;
}

}  // namespace corvane
