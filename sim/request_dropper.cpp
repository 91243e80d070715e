#include "sim/request_dropper.h"

namespace corvane::sim {

namespace {
constexpr char kStx = '\x02';
constexpr char kEtx = '\x03';
}  // namespace

std::string RequestDropper::filter(std::string_view bytes) {
  if (every_ == 0) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    if (c == kStx) {
      // A new STX starts a new request even inside one being dropped.
      dropping_ = ++frames_ % every_ == 0;
      if (dropping_) ++dropped_;
    }
    if (!dropping_) out += c;
    if (c == kEtx) dropping_ = false;
  }
  return out;
}

}  // namespace corvane::sim
