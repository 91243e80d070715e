// The request/reply handshake shared by the receive framer and the session's timers and
// sequences. Exists once; the owner (LinkExchange) hands references to both sides.
#pragma once

#include <cstdint>

namespace corvane {

struct ExchangeFlags {
  bool ReplyReady = false;      // the last request was answered, rejected or given up
  uint8_t TimeoutTicks = 0;     // reply time-outs since the last handled frame
  bool TimedOut = false;        // a reply time-out has been reported
  bool LoadInProgress = false;  // a "Setup Para." load is running
};

}  // namespace corvane
