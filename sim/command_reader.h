// Assembles command frames out of the byte stream the instrument receives, however the stream is
// cut into chunks. Bytes outside STX ... ETX are counted and dropped; a frame cut short by a new
// STX or longer than the program can send is reported, never stored beyond its bound.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/command_frame.h"

namespace corvane::sim {

struct ReceivedFrame {
  std::optional<CommandFrame> frame;  // a well-formed frame
  std::string error;                  // or why the bytes were rejected
  std::string raw;                    // the bytes as received (kept up to the frame bound)
};

class CommandReader {
 public:
  std::vector<ReceivedFrame> feed(std::string_view bytes);
  // Forgets a partly received frame (the peer went away).
  void reset();
  bool inFrame() const { return inFrame_; }
  uint64_t strayBytes() const { return strayBytes_; }

 private:
  bool inFrame_ = false;
  bool tooLong_ = false;
  std::string raw_;  // STX and body so far, at most kMaxCommandFrameBytes
  uint64_t strayBytes_ = 0;
};

}  // namespace corvane::sim
