// kv2040-sim: serves the simulated KV2040 on a pseudo-terminal, so that Corvane (or a test) can
// open the printed slave path as if it were the instrument's serial port or USB bridge.
//
//   kv2040-sim [--baud N] [--parity none|even|odd] [--link PATH] [--usb] [--silent] [--seed N]
//              [--auto-set-ms N] [--variant N] [--latency-ms N] [--drop-every N]
//   kv2040-sim --help | --version
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "sim/kv2040_model.h"
#include "sim/line_check.h"
#include "sim/output_pacer.h"
#include "sim/reply_tail_hold.h"
#include "sim/request_dropper.h"

namespace {

using corvane::sim::Kv2040Model;
using corvane::sim::LineParity;
using corvane::sim::ModelOptions;
using corvane::sim::OutputPacer;

volatile sig_atomic_t stopRequested = 0;

void onStopSignal(int) {
  stopRequested = 1;
}

constexpr int64_t kSerialDefaultBaud = 4800;
constexpr int64_t kUsbBaud = 921600;
constexpr int kNoPeerWaitMs = 1000;  // the longest wait for a peer if its open goes unseen
constexpr std::size_t kChunk = 4096;

struct Options {
  int64_t baud = 0;  // 0: the default of the chosen link
  std::string link;
  bool usb = false;
  bool silent = false;
  std::optional<LineParity> parity;  // set: answer only while the line has this parity and rate
  int latencyMs = 0;
  uint64_t dropEvery = 0;
  ModelOptions model;
};

void usage(FILE* to) {
  std::fprintf(to,
               "usage: kv2040-sim [--baud N] [--parity none|even|odd] [--link PATH] [--usb]\n"
               "                  [--silent] [--seed N] [--auto-set-ms N] [--variant N]\n"
               "                  [--latency-ms N] [--drop-every N]\n"
               "  --baud N         pace replies at N bit/s, 10 bits a byte (default 4800,\n"
               "                   921600 with --usb)\n"
               "  --parity P       answer only while the line is set to P and the --baud rate\n"
               "                   (what arrives otherwise is garbage to the instrument)\n"
               "  --link PATH      make PATH a symbolic link to the slave device while serving\n"
               "  --usb            answer the screen request with the raw bitmap, as over USB\n"
               "  --silent         accept frames but answer nothing\n"
               "  --seed N         seed of the noise (default 2040)\n"
               "  --auto-set-ms N  how long Auto Set takes (default 2500)\n"
               "  --variant N      value of the variant flag, reply 171 (default 0)\n"
               "  --latency-ms N   hold each reply's last partial 62-byte packet for N ms, as\n"
               "                   an FTDI bridge's latency timer does (default 0)\n"
               "  --drop-every N   lose every N-th request on its way in, unanswered\n"
               "  --help           print this help and exit\n"
               "  --version        print the version and exit\n");
}

bool parseNumber(const char* text, int64_t lo, int64_t hi, int64_t& out) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool parseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    int64_t v = 0;
    if (a == "--baud") {
      if (!parseNumber(next, 1, 12'000'000, v)) return false;
      o.baud = v;
      ++i;
    } else if (a == "--link") {
      if (next == nullptr || *next == '\0') return false;
      o.link = next;
      ++i;
    } else if (a == "--seed") {
      if (!parseNumber(next, 0, LLONG_MAX, v)) return false;
      o.model.seed = static_cast<uint64_t>(v);
      ++i;
    } else if (a == "--auto-set-ms") {
      if (!parseNumber(next, 0, 600'000, v)) return false;
      o.model.autoSetMs = static_cast<int>(v);
      ++i;
    } else if (a == "--variant") {
      if (!parseNumber(next, 0, 255, v)) return false;
      o.model.variantFlag = static_cast<int>(v);
      ++i;
    } else if (a == "--parity") {
      if (next == nullptr || !(o.parity = corvane::sim::parseLineParity(next))) return false;
      ++i;
    } else if (a == "--latency-ms") {
      if (!parseNumber(next, 0, 60'000, v)) return false;
      o.latencyMs = static_cast<int>(v);
      ++i;
    } else if (a == "--drop-every") {
      if (!parseNumber(next, 1, LLONG_MAX, v)) return false;
      o.dropEvery = static_cast<uint64_t>(v);
      ++i;
    } else if (a == "--usb") {
      o.usb = true;
    } else if (a == "--silent") {
      o.silent = true;
    } else {
      return false;
    }
  }
  if (o.baud == 0) o.baud = o.usb ? kUsbBaud : kSerialDefaultBaud;
  o.model.rawScreenImage = o.usb;
  return true;
}

int64_t nowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Makes `link` point at `target`; an existing symbolic link is replaced, anything else is left.
bool makeLink(const std::string& link, const char* target) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      std::fprintf(stderr, "kv2040-sim: %s exists and is not a symbolic link\n", link.c_str());
      return false;
    }
    unlink(link.c_str());
  }
  if (symlink(target, link.c_str()) != 0) {
    std::fprintf(stderr, "kv2040-sim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
    return false;
  }
  return true;
}

// Sleeps until the slave is opened again (inotify sees the open of the device node), a stop
// signal, or kNoPeerWaitMs. With no slave open the master reads as hung up, so it cannot be
// polled meanwhile.
void waitForPeer(int master, const char* slavePath, const sigset_t& waitMask) {
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch >= 0) inotify_add_watch(watch, slavePath, IN_OPEN);
  // An open that came before the watch shows as a master that is no longer hung up.
  struct pollfd check {
    master, POLLIN, 0
  };
  if (poll(&check, 1, 0) >= 0 && (check.revents & POLLHUP) == 0) {
    if (watch >= 0) close(watch);
    return;
  }
  struct pollfd pfd {
    watch, POLLIN, 0
  };
  const struct timespec limit { kNoPeerWaitMs / 1000, (kNoPeerWaitMs % 1000) * 1'000'000L };
  ppoll(watch >= 0 ? &pfd : nullptr, watch >= 0 ? 1 : 0, &limit, &waitMask);
  if (watch >= 0) close(watch);
}

// Removes the link only while it still points at our slave.
void removeLink(const std::string& link, const char* target) {
  char buf[PATH_MAX];
  const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
  if (n < 0) return;
  buf[n] = '\0';
  if (std::strcmp(buf, target) == 0) unlink(link.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage(stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("kv2040-sim %s\n", CORVANE_VERSION);
      return 0;
    }
  }
  Options opt;
  if (!parseArgs(argc, argv, opt)) {
    usage(stderr);
    return 2;
  }

  struct termios raw {};
  cfmakeraw(&raw);
  int master = -1, slave = -1;
  char name[PATH_MAX] = {};
  if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
    std::fprintf(stderr, "kv2040-sim: openpty failed: %s\n", std::strerror(errno));
    return 1;
  }
  // The slave is the peer's: with it closed here, the master sees when the peer hangs up.
  close(slave);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  fcntl(master, F_SETFD, FD_CLOEXEC);

  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  // The stop signals are taken only inside the waits, so one that comes just before a wait
  // cuts it short instead of being missed until the next event.
  sigset_t stopSignals, waitMask;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  sigdelset(&waitMask, SIGINT);
  sigdelset(&waitMask, SIGTERM);

  if (!opt.link.empty() && !makeLink(opt.link, name)) {
    close(master);
    return 1;
  }
  std::printf("%s\n", name);
  std::fflush(stdout);
  std::fprintf(
      stderr, "kv2040-sim: serving %s at %lld bit/s%s%s%s%s\n", name,
      static_cast<long long>(opt.baud),
      opt.parity
          ? (std::string(", ") + corvane::sim::lineParityName(*opt.parity) + " parity").c_str()
          : "",
      opt.usb ? ", USB screen images" : "", opt.silent ? ", silent" : "",
      opt.latencyMs > 0 ? ", reply tails held" : "");

  Kv2040Model model(opt.model);
  OutputPacer pacer(opt.baud);
  corvane::sim::ReplyTailHold tailHold(opt.latencyMs);
  corvane::sim::RequestDropper dropper(opt.dropEvery);
  const corvane::sim::LineExpectation expected{opt.baud, opt.parity.value_or(LineParity::kNone)};
  bool lineWrong = false;
  // False (the bytes are garbage to the instrument) while the line is not as expected.
  auto lineRight = [&] {
    if (!opt.parity) return true;
    struct termios t {};
    const bool right = tcgetattr(master, &t) == 0 && corvane::sim::lineMatches(t, expected);
    if (right == lineWrong) {
      std::fprintf(stderr, "kv2040-sim: line %s\n",
                   right ? "settings match, answering" : "settings differ, not answering");
      lineWrong = !right;
    }
    return right;
  };
  std::string out;
  std::size_t outPos = 0;
  bool peer = false;
  const int64_t startUs = nowUs();
  auto modelMs = [&] { return (nowUs() - startUs) / 1000; };
  auto queue = [&](std::string bytes) {
    if (opt.silent || bytes.empty()) return;
    if (outPos == out.size()) {
      out.clear();
      outPos = 0;
      tailHold.clear();
      pacer.beginBurst(nowUs());
    }
    out += bytes;
    tailHold.replyQueued(out.size(), bytes.size());
  };

  while (!stopRequested) {
    queue(model.poll(modelMs()));
    // Ask for POLLOUT only when the line may take a byte now: the master is nearly always
    // writable, and waiting on it between two byte slots would spin.
    const bool pending = outPos < out.size();
    const std::size_t writableEnd = tailHold.limit(outPos, out.size(), nowUs());
    const bool held = pending && writableEnd == outPos;
    const bool due = pending && !held && pacer.allowance(nowUs()) > 0;
    // Idle, it waits for the peer's bytes alone: no tick.
    int64_t timeoutMs = -1;
    auto waitAtMost = [&timeoutMs](int64_t ms) {
      timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
    };
    if (pending && !due) {
      const int64_t waitUs = held ? tailHold.waitUs(nowUs()) : pacer.waitUs(nowUs());
      waitAtMost((std::max<int64_t>(0, waitUs) + 999) / 1000);
    }
    if (model.nextDueMs() >= 0) waitAtMost(std::max<int64_t>(0, model.nextDueMs() - modelMs()));
    struct pollfd pfd {
      master, static_cast<short>(POLLIN | (due ? POLLOUT : 0)), 0
    };
    struct timespec limit {
      timeoutMs / 1000, (timeoutMs % 1000) * 1'000'000L
    };
    const int r = ppoll(&pfd, 1, timeoutMs < 0 ? nullptr : &limit, &waitMask);
    if (r < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "kv2040-sim: poll failed: %s\n", std::strerror(errno));
      break;
    }
    bool hungUp = false;
    if (pfd.revents & POLLIN) {
      char buf[kChunk];
      const ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) {
        if (!peer) std::fprintf(stderr, "kv2040-sim: line opened\n");
        peer = true;
        if (lineRight())
          queue(model.handleBytes(dropper.filter(std::string_view(buf, std::size_t(n)))));
      } else if (n < 0 && errno == EIO) {
        hungUp = true;
      }
    } else if (pfd.revents & (POLLHUP | POLLERR)) {
      hungUp = true;
    }
    if (hungUp) {
      // No slave open: whatever was on its way is lost, as on a pulled cable. Wait for the next
      // open without spinning on the hang-up.
      if (peer) std::fprintf(stderr, "kv2040-sim: line closed\n");
      peer = false;
      out.clear();
      outPos = 0;
      tailHold.clear();
      dropper.reset();
      model.resetLink();
      waitForPeer(master, name, waitMask);
      continue;
    }
    if ((pfd.revents & POLLOUT) && outPos < out.size()) {
      const std::size_t n = std::min({pacer.allowance(nowUs()), writableEnd - outPos, kChunk});
      if (n > 0) {
        const ssize_t w = write(master, out.data() + outPos, n);
        if (w > 0) {
          outPos += std::size_t(w);
          pacer.consumed(std::size_t(w));
        }
      }
    }
  }

  if (!opt.link.empty()) removeLink(opt.link, name);
  close(master);
  std::fprintf(stderr, "kv2040-sim: stopped\n");
  return 0;
}
