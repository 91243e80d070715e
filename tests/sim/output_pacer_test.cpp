#include "sim/output_pacer.h"

#include <gtest/gtest.h>

namespace corvane::sim {
namespace {

TEST(OutputPacer, SpacesBytesByTenBitTimes) {
  OutputPacer p(4800);  // 480 bytes a second: one every 2083.3 us
  p.beginBurst(0);
  EXPECT_EQ(p.allowance(0), 1u);
  p.consumed(1);
  EXPECT_EQ(p.allowance(2083), 0u);
  EXPECT_EQ(p.waitUs(0), 2084);
  EXPECT_EQ(p.allowance(2084), 1u);
  EXPECT_EQ(p.allowance(1'000'000), 480u);  // bytes 1..480 are due within the first second
  p.consumed(480);
  EXPECT_EQ(p.allowance(1'000'000), 0u);

  OutputPacer usb(921600);
  usb.beginBurst(0);
  EXPECT_EQ(usb.allowance(1000), 93u);
}

TEST(OutputPacer, ANewBurstWaitsForTheLineToFinishTheLastOne) {
  OutputPacer p(9600);  // 1041.7 us a byte
  p.beginBurst(0);
  p.consumed(10);  // the line is busy until 10417 us
  p.beginBurst(1000);
  EXPECT_EQ(p.allowance(1000), 0u);
  EXPECT_EQ(p.waitUs(1000), 9417);
  EXPECT_EQ(p.allowance(10417), 1u);
  // After an idle gap the burst starts at once.
  p.consumed(1);
  p.beginBurst(50'000);
  EXPECT_EQ(p.allowance(50'000), 1u);
}

}  // namespace
}  // namespace corvane::sim
