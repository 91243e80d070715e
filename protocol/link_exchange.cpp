#include "protocol/link_exchange.h"

namespace corvane {

LinkExchange::LinkExchange(ProtocolHost& host, Timer* replyTimer, CaptureFileWriter& captureWriter,
                           SendPath path, std::function<bool()> loopRunning)
    : sender(host, replyTimer, std::move(path), std::move(loopRunning)),
      decoder(block, capture, host, captureWriter),
      framer(flags, decoder, host, replyTimer) {}

}  // namespace corvane
