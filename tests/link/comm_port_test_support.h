// CommPortDriver against a scripted operating system: what a pseudo-terminal cannot show. The fake
// answers every system call from memory and keeps what the driver asked of it.
#pragma once

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "link/comm_port_driver.h"

namespace corvane::serialtest {

class FakeSerialOs : public SerialOs {
 public:
  // Script.
  std::set<std::string> existing{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"};
  std::set<std::string> heldElsewhere;
  int setAttributesError = 0;
  int modemError = 0;
  int queuedError = 0;
  int outQueue = 0;
  bool queueGrowsOnWrite = true;
  long writeAcceptLimit = -1;  // bytes per write; -1 takes everything, 0 answers EAGAIN
  int writeError = 0;
  std::deque<std::string> input;
  int readError = EAGAIN;  // answered when no input is scripted
  std::function<void(FakeSerialOs&)> onWait;

  // Record.
  std::int64_t clock = 0;
  std::vector<std::string> opened;
  int openDescriptors = 0;
  std::vector<termios> attributes;
  std::vector<std::uint32_t> customRates;
  int modemLines = TIOCM_DTR | TIOCM_RTS;  // Linux raises both when a tty is opened
  std::vector<int> flushes;
  std::string written;
  std::vector<std::size_t> readSizes;
  std::vector<std::string> calls;

  int openDevice(const std::string& path) override {
    calls.push_back("open " + path);
    if (!existing.count(path)) return -ENOENT;
    opened.push_back(path);
    ++openDescriptors;
    current_ = path;
    return 7;
  }
  void closeDevice(int fd) override {
    EXPECT_EQ(fd, 7);
    calls.push_back("close");
    --openDescriptors;
  }
  int lockExclusive(int) override {
    calls.push_back("lock");
    return heldElsewhere.count(current_) ? -EWOULDBLOCK : 0;
  }
  int getAttributes(int, termios* t) override {
    calls.push_back("get");
    // A freshly opened tty in cooked mode.
    *t = termios{};
    t->c_iflag = ICRNL | IXON | IMAXBEL;
    t->c_oflag = OPOST | ONLCR;
    t->c_cflag = CS8 | CREAD | HUPCL | B9600;
    t->c_lflag = ICANON | ECHO | ECHOE | ECHOK | ISIG | IEXTEN;
    t->c_cc[VMIN] = 4;
    t->c_cc[VTIME] = 2;
    return 0;
  }
  int setAttributes(int, const termios& t) override {
    calls.push_back("set");
    if (setAttributesError) return -setAttributesError;
    attributes.push_back(t);
    return 0;
  }
  int setCustomRate(int, std::uint32_t rate) override {
    calls.push_back("rate");
    customRates.push_back(rate);
    return 0;
  }
  int setModemLines(int, int lines) override {
    calls.push_back("mbis");
    if (modemError) return -modemError;
    modemLines |= lines;
    return 0;
  }
  int clearModemLines(int, int lines) override {
    calls.push_back("mbic");
    if (modemError) return -modemError;
    modemLines &= ~lines;
    return 0;
  }
  int flush(int, int selector) override {
    calls.push_back("flush");
    flushes.push_back(selector);
    if (selector == TCIFLUSH || selector == TCIOFLUSH) input.clear();
    return 0;
  }
  long readSome(int, void* buffer, std::size_t size) override {
    readSizes.push_back(size);
    if (input.empty()) return -readError;
    std::string& front = input.front();
    std::size_t n = std::min(size, front.size());
    front.copy(static_cast<char*>(buffer), n);
    front.erase(0, n);
    if (front.empty()) input.pop_front();
    return static_cast<long>(n);
  }
  long writeSome(int, const void* data, std::size_t size) override {
    if (writeError) return -writeError;
    std::size_t n = size;
    if (writeAcceptLimit == 0) return -EAGAIN;
    if (writeAcceptLimit > 0) n = std::min(n, static_cast<std::size_t>(writeAcceptLimit));
    written.append(static_cast<const char*>(data), n);
    if (queueGrowsOnWrite) outQueue += static_cast<int>(n);
    return static_cast<long>(n);
  }
  int outputQueued(int) override { return queuedError ? -queuedError : outQueue; }
  void waitWritable(int, int ms) override { elapse(ms); }
  void pause(int ms) override { elapse(ms); }
  std::int64_t monotonicMs() override { return clock; }

  const termios& last() const { return attributes.back(); }

 private:
  void elapse(int ms) {
    clock += ms;
    if (onWait) onWait(*this);
  }
  std::string current_;
};

struct Received {
  std::vector<std::string> chunks;
  ComPortReceiveDataEvent handler() {
    return [this](CommPortDriver&, const std::uint8_t* p, std::size_t n) {
      chunks.emplace_back(reinterpret_cast<const char*>(p), n);
    };
  }
};

class CommPortDriverTest : public ::testing::Test {
 protected:
  ManualTimerService timers;
  FakeSerialOs os;
  CommPortDriver driver{timers, os};
};

}  // namespace corvane::serialtest
