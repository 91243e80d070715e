#include "cli/link_bench.h"

#include <cstdlib>
#include <cstring>

namespace corvane::cli {

namespace {

std::optional<uint8_t> baudIndex(const std::string& v) {
  static const char* const rates[] = {"1200", "2400", "4800", "9600", "19200", "38400"};
  for (uint8_t i = 0; i < 6; ++i)
    if (v == rates[i]) return i;
  return std::nullopt;
}

std::optional<uint8_t> parityIndex(const std::string& v) {
  if (v == "none") return 0;
  if (v == "even") return 1;
  if (v == "odd") return 2;
  return std::nullopt;
}

}  // namespace

bool parseLink(const Args& args, bool allowCycles, std::size_t outputs, LinkOptions& o) {
  bool chosen = false;
  bool lineOptions = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (a == "--serial") {
      auto v = value();
      if (!v || chosen) return false;
      o.device = *v;
      chosen = true;
    } else if (a == "--usb") {
      if (chosen) return false;
      o.usb = true;
      chosen = true;
      if (outputs == kAnyOutputs) {
        if (i + 1 < args.size() &&
            (args[i + 1].rfind('/', 0) == 0 || args[i + 1].rfind('.', 0) == 0))
          o.device = args[++i];
      } else if (i + 1 + outputs < args.size() && args[i + 1].rfind("--", 0) != 0) {
        o.device = args[++i];
      }
    } else if (a == "--baud") {
      auto v = value();
      auto b = v ? baudIndex(*v) : std::nullopt;
      if (!b) return false;
      o.port.baudIndex = *b;
      lineOptions = true;
    } else if (a == "--parity") {
      auto v = value();
      auto p = v ? parityIndex(*v) : std::nullopt;
      if (!p) return false;
      o.port.parityIndex = *p;
      lineOptions = true;
    } else if (a == "--cycles" && allowCycles) {
      auto v = value();
      if (!v) return false;
      char* end = nullptr;
      long n = std::strtol(v->c_str(), &end, 10);
      if (v->empty() || *end != '\0' || n < 1) return false;
      o.cycles = n;
    } else if (a.rfind("--", 0) == 0) {
      return false;
    } else {
      o.rest.push_back(a);
    }
  }
  if (!chosen || (o.usb && lineOptions)) return false;  // the USB line settings are fixed
  if (!o.usb && o.device.empty()) return false;
  return outputs == kAnyOutputs ? !o.rest.empty() : o.rest.size() == outputs;
}

bool linkReady(const LinkOptions& o, Bench& b, std::ostream& err) {
  if (o.usb && !b.session.usbActive()) {
    err << "corvane-cli: " << kUsbNotAvailableText << "\n";
    if (const OpenFailure f = b.session.usb().lastOpenFailure(); f.failed()) {
      err << "corvane-cli: " << f.text() << "\n";
    }
    return false;
  }
  if (!o.usb && !b.session.serialPort().connected()) {
    err << "corvane-cli: " << kComPortSettingErrorText << "\n";
    const OpenFailure f = b.session.serialPort().openFailure();
    err << "corvane-cli: "
        << (f.failed() ? f.text()
                       : o.device + ": " + std::strerror(b.session.serialPort().lastError()))
        << "\n";
    return false;
  }
  return true;
}

}  // namespace corvane::cli
