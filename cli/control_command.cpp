// control: the Control vocabulary from a script, each entry sent as the menu sends it without the
// loop, one reply awaited after each.
#include <chrono>
#include <iomanip>
#include <sstream>

#include "cli/commands.h"
#include "cli/link_bench.h"
#include "protocol/control_vocabulary.h"
#include "protocol/parse_int.h"

namespace corvane::cli {
namespace {

constexpr const char* kControlUsage =
    "usage: corvane-cli control --list [--json]\n"
    "       corvane-cli control --serial DEVICE [--baud N] [--parity none|even|odd] PATH...\n"
    "       corvane-cli control --usb [DEVICE] PATH...\n"
    "PATH is a Control menu entry such as \"CH 1/Volt Division/1 V\" (a leading \"Control/\" is\n"
    "allowed), or \"Control Tool/Auto Set\"; --list shows them all.\n";

// The reply time-out ends every wait long before this; it only keeps a broken timer from hanging a
// script.
constexpr std::chrono::milliseconds kReplyLimit{30000};

std::string jsonText(std::string_view s) {
  std::string o = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') o += '\\';
    o += c;
  }
  return o + "\"";
}

std::string fieldsText(const ControlCommand& c, std::string_view separator) {
  std::string s = std::to_string(c.first);
  if (c.kind == ControlCommand::Kind::kAction)
    s += std::string(separator) + std::to_string(c.second);
  return s;
}

void printList(std::ostream& out, bool json) {
  for (const ControlEntry& e : controlEntries()) {
    if (json) {
      out << "{\"path\": " << jsonText(e.path) << ", \"code\": " << e.command.code
          << ", \"fields\": [" << fieldsText(e.command, ", ") << "]}\n";
    } else {
      out << e.path << '\t' << e.command.code << '\t' << fieldsText(e.command, ",") << '\n';
    }
  }
}

std::string frameBody(const std::string& frame) {
  return frame.size() >= 2 ? frame.substr(1, frame.size() - 2) : frame;
}

}  // namespace

int controlCommand(const Args& args, std::ostream& out, std::ostream& err) {
  bool list = false;
  bool json = false;
  Args rest;
  for (const std::string& a : args) {
    if (a == "--list") {
      list = true;
    } else if (a == "--json") {
      json = true;
    } else {
      rest.push_back(a);
    }
  }
  if (list) {
    if (!rest.empty()) {
      err << kControlUsage;
      return 2;
    }
    printList(out, json);
    return 0;
  }
  LinkOptions o;
  if (json || !parseLink(rest, false, kAnyOutputs, o)) {
    err << kControlUsage;
    return 2;
  }
  // Every path is checked before the line opens, so a refused list sends nothing at all.
  std::vector<const ControlEntry*> entries;
  bool unknown = false;
  for (const std::string& path : o.rest) {
    const ControlEntry* e = findControlEntry(path);
    if (e == nullptr) {
      unknown = true;
      err << "corvane-cli: unknown control path \"" << path << "\"; closest:";
      const char* comma = " ";
      for (const std::string& near : closestControlPaths(path)) {
        err << comma << '"' << near << '"';
        comma = ", ";
      }
      err << "\n";
    }
    entries.push_back(e);
  }
  if (unknown) {
    err << kControlUsage;
    return 2;
  }

  Bench b(o, err);
  if (!linkReady(o, b, err)) return 1;
  ExchangeFlags& flags = b.session.exchange().flags;
  for (const ControlEntry* e : entries) {
    flags.ReplyReady = false;
    flags.TimedOut = false;
    performControlCommand(e->command, b.session);
    const auto r = b.timers.runUntil(
        [&] { return flags.ReplyReady || flags.TimedOut || !b.host.lastError().empty(); },
        kReplyLimit);
    if (r != RealTimeTimerService::RunResult::kDone || !flags.ReplyReady) {
      if (b.host.lastError().empty()) err << "corvane-cli: " << kReceiveTimeOutText << "\n";
      return 1;
    }
    // The framer keeps the last frame's body until the next one starts.
    const auto body = b.session.exchange().framer.FrameBuf();
    auto header = [&](std::size_t at) {
      return ParseIntOrZero(std::string_view(reinterpret_cast<const char*>(body.data() + at), 4));
    };
    out << e->path << ": sent " << frameBody(e->command.frame()) << "; reply " << header(0)
        << ", value " << header(8) << "\n";
  }
  return 0;
}

}  // namespace corvane::cli
