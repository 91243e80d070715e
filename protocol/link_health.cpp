#include "protocol/link_health.h"

#include <cstdio>

namespace corvane {
namespace {

std::string counted(uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string deviceName(const LinkHealth& h) {
  if (h.device.empty()) return h.port + " (no device)";
  const std::size_t slash = h.device.rfind('/');
  return slash == std::string::npos ? h.device : h.device.substr(slash + 1);
}

}  // namespace

std::string replyAgeText(double seconds) {
  if (seconds < 0) seconds = 0;
  char buf[32];
  if (seconds < 10) {
    std::snprintf(buf, sizeof buf, "%.1f s", seconds);
  } else if (seconds < 120) {
    std::snprintf(buf, sizeof buf, "%d s", static_cast<int>(seconds));
  } else {
    std::snprintf(buf, sizeof buf, "%d min", static_cast<int>(seconds / 60));
  }
  return buf;
}

std::string linkHealthSummary(const LinkHealth& h) {
  std::string s = deviceName(h) + (h.open ? " open" : " absent");
  if (h.lastReplyAgeS) s += " · " + replyAgeText(*h.lastReplyAgeS);
  s += " · " + counted(h.timeouts, "time-out", "time-outs");
  s += " · " + std::to_string(h.discardedBytes) + " B discarded";
  return s;
}

std::string linkHealthWords(const LinkHealth& h) {
  std::string s = h.usb ? "USB link " : "Serial link ";
  s += h.device.empty() ? h.port + ", no device set," : h.device;
  s += h.open ? " open" : " absent";
  if (h.lastReplyAgeS) {
    s += ", last reply " + replyAgeText(*h.lastReplyAgeS) + " ago";
  } else if (h.open) {
    s += ", no reply yet";
  }
  s += ", " + counted(h.timeouts, "time-out", "time-outs");
  s += ", " + counted(h.discardedBytes, "byte discarded", "bytes discarded");
  return s;
}

}  // namespace corvane
