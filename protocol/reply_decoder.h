// Turns complete reply frames into program state: settings, status and samples into the staging
// WaveformBlock, the 166 screen image into the capture buffer and "Test.BMP".
#pragma once

#include <cstdint>
#include <span>

#include "analysis/waveform_block.h"
#include "protocol/capture_file.h"
#include "protocol/protocol_host.h"
#include "protocol/reply_sink.h"

namespace corvane {

class ReplyDecoder : public ReplySink {
 public:
  ReplyDecoder(WaveformBlock& block, CaptureBuffer& capture, ProtocolHost& host,
               CaptureFileWriter& captureWriter);

  // Acts on the known reply codes and ignores every other one. Fields are read with
  // ParseIntOrZero; a field beyond the end of FrameBuf reads as 0. Never sends anything.
  void DecodeReply(uint16_t ReplyCode, uint16_t ReplyCount, int32_t ReplyValue,
                   std::span<const uint8_t> FrameBuf) override;

  void setCaptureWriter(CaptureFileWriter& captureWriter) { captureWriter_ = &captureWriter; }

 private:
  void decodeWaveform203(std::span<const uint8_t> body);
  void decodeCapture166(std::span<const uint8_t> body);

  WaveformBlock& block_;
  CaptureBuffer& capture_;
  ProtocolHost& host_;
  CaptureFileWriter* captureWriter_;
};

}  // namespace corvane
