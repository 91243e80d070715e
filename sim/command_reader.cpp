#include "sim/command_reader.h"

namespace corvane::sim {

std::vector<ReceivedFrame> CommandReader::feed(std::string_view bytes) {
  std::vector<ReceivedFrame> out;
  for (char c : bytes) {
    if (c == kStx) {
      if (inFrame_) out.push_back({std::nullopt, "frame cut off by a new STX", raw_});
      inFrame_ = true;
      tooLong_ = false;
      raw_.assign(1, kStx);
      continue;
    }
    if (!inFrame_) {
      ++strayBytes_;
      continue;
    }
    if (c == kEtx) {
      inFrame_ = false;
      if (tooLong_) {
        out.push_back({std::nullopt,
                       "frame longer than " + std::to_string(kMaxCommandFrameBytes) + " bytes",
                       raw_});
        continue;
      }
      raw_ += kEtx;
      CommandParseResult parsed =
          parseCommandBody(std::string_view(raw_).substr(1, raw_.size() - 2));
      out.push_back({std::move(parsed.frame), std::move(parsed.error), raw_});
      continue;
    }
    // Room is left for the ETX: a frame of more than 100 bytes is over-long as soon as its
    // 100th byte is not the ETX.
    if (raw_.size() + 1 < kMaxCommandFrameBytes) {
      raw_ += c;
    } else {
      tooLong_ = true;
    }
  }
  return out;
}

void CommandReader::reset() {
  inFrame_ = false;
  tooLong_ = false;
  raw_.clear();
}

}  // namespace corvane::sim
