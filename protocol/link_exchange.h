// Everything of the instrument exchange that the main window owns once: the handshake flags, the
// staging WaveformBlock, the capture buffer, and the sender, decoder and framer that work on them.
// The session owns one LinkExchange and adds the timers and sequences around it.
#pragma once

#include <functional>

#include "analysis/waveform_block.h"
#include "link/timer_service.h"
#include "protocol/capture_file.h"
#include "protocol/command_sender.h"
#include "protocol/exchange_flags.h"
#include "protocol/protocol_host.h"
#include "protocol/receive_framer.h"
#include "protocol/reply_decoder.h"

namespace corvane {

class LinkExchange {
 public:
  // replyTimer is the reply time-out (may be set later); loopRunning answers "does the
  // real-time loop run".
  LinkExchange(ProtocolHost& host, Timer* replyTimer, CaptureFileWriter& captureWriter,
               SendPath path = {}, std::function<bool()> loopRunning = {});
  LinkExchange(const LinkExchange&) = delete;
  LinkExchange& operator=(const LinkExchange&) = delete;

  void setReplyTimer(Timer* replyTimer) {
    sender.setReplyTimer(replyTimer);
    framer.setReplyTimer(replyTimer);
  }

  ExchangeFlags flags;
  WaveformBlock block;  // the staging record that replies fill
  CaptureBuffer capture;
  CommandSender sender;
  ReplyDecoder decoder;
  ReceiveFramer framer;
};

}  // namespace corvane
