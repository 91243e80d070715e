// Pseudo-terminals standing in for the FTDI bridge, and a fake sysfs/dev tree around them.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace corvane::usbtest {

namespace fs = std::filesystem;

// A pty pair; the slave is what the backend opens, the master plays the instrument.
struct Pty {
  int master = -1;
  int slave = -1;
  std::string slavePath;

  Pty() {
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
      slavePath = name;
      ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
  }
  ~Pty() {
    closeMaster();
    closeSlave();
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  bool ok() const { return master >= 0 && slave >= 0; }
  // The far end goes away: the slave side is hung up.
  void closeMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }
  void closeSlave() {
    if (slave >= 0) ::close(slave);
    slave = -1;
  }
  // Writes all of `bytes` to the master, waiting (bounded) while the pty is full.
  bool send(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    for (int tries = 0; done < bytes.size() && tries < 1000; ++tries) {
      ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += size_t(n);
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        return false;
      } else {
        pollfd p{master, POLLOUT, 0};
        ::poll(&p, 1, 10);
      }
    }
    return done == bytes.size();
  }
  // Reads from the master until `count` bytes came or the bounded wait ran out.
  std::vector<uint8_t> receive(size_t count) {
    std::vector<uint8_t> out;
    for (int tries = 0; out.size() < count && tries < 200; ++tries) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 10) <= 0) continue;
      uint8_t buf[4096];
      ssize_t n = ::read(master, buf, std::min(sizeof buf, count - out.size()));
      if (n > 0) out.insert(out.end(), buf, buf + n);
    }
    return out;
  }
};

// A temporary directory removed with everything in it.
struct TempDir {
  fs::path path;
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "corvane-usb-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) path = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
};

// sys/ and dev/ inside a temporary directory, laid out like the kernel's: a usb-serial port is a
// device below the USB interface, listed in bus/usb-serial/devices and (through its tty) in
// class/tty; the usb_device above the interface holds idVendor.
struct FakeKernelTree {
  TempDir dir;
  fs::path sys() const { return dir.path / "sys"; }
  fs::path dev() const { return dir.path / "dev"; }

  FakeKernelTree() {
    fs::create_directories(sys() / "class" / "tty");
    fs::create_directories(sys() / "bus" / "usb-serial" / "devices");
    fs::create_directories(dev());
  }

  // ttyUSB<n> on USB device 1-<n> with the given vendor id.
  void addUsbPort(int n, const std::string& vendor) {
    const std::string name = "ttyUSB" + std::to_string(n);
    const std::string usbDev = "1-" + std::to_string(n);
    const fs::path usb = sys() / "devices" / "pci0000:00" / "usb1" / usbDev;
    const fs::path port = usb / (usbDev + ":1.0") / name;
    fs::create_directories(port / "tty" / name);
    std::ofstream(usb / "idVendor") << vendor << "\n";
    fs::create_directory_symlink(fs::relative(port / "tty" / name, sys() / "class" / "tty"),
                                 sys() / "class" / "tty" / name);
    fs::create_directory_symlink("../../../" + name, port / "tty" / name / "device");
    const fs::path busEntry = sys() / "bus" / "usb-serial" / "devices" / name;
    fs::create_directory_symlink(fs::relative(port, busEntry.parent_path()), busEntry);
  }

  // A serial port with no USB device above it.
  void addPlatformPort(const std::string& name) {
    const fs::path port = sys() / "devices" / "platform" / "serial8250" / "tty" / name;
    fs::create_directories(port);
    fs::create_directory_symlink(fs::relative(port, sys() / "class" / "tty"),
                                 sys() / "class" / "tty" / name);
    fs::create_directory_symlink("../../../serial8250", port / "device");
  }

  // dev/<name> -> target (the pty slave standing in for the device node).
  void linkNode(const std::string& name, const std::string& target) {
    std::error_code ec;
    fs::remove(dev() / name, ec);
    fs::create_symlink(target, dev() / name);
  }
  void removeNode(const std::string& name) {
    std::error_code ec;
    fs::remove(dev() / name, ec);
  }
};

// Bounded wait for the kernel to move bytes along: calls `step` until it returns true, at most
// `tries` times, pausing a millisecond between tries.
inline bool eventually(const std::function<bool()>& step, int tries = 500) {
  for (int i = 0; i < tries; ++i) {
    if (step()) return true;
    ::poll(nullptr, 0, 1);
  }
  return false;
}

}  // namespace corvane::usbtest
