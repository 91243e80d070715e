#include "link/port_devices.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(PortDevices, DefaultsAreTheFirstFourSerialPorts) {
  PortDevices d;
  EXPECT_EQ(d.path(1), "/dev/ttyS0");
  EXPECT_EQ(d.path(2), "/dev/ttyS1");
  EXPECT_EQ(d.path(3), "/dev/ttyS2");
  EXPECT_EQ(d.path(4), "/dev/ttyS3");
  EXPECT_EQ(d.path(0), "");
  EXPECT_EQ(d.path(5), "");
  EXPECT_EQ(d.path(-1), "");
}

TEST(PortDevices, OverridesReplaceOnePortEach) {
  PortDevices d;
  EXPECT_TRUE(d.set(2, "/dev/ttyUSB0"));
  EXPECT_TRUE(d.set(4, "ttyACM1"));  // a bare name lives in /dev
  EXPECT_EQ(d.path(1), "/dev/ttyS0");
  EXPECT_EQ(d.path(2), "/dev/ttyUSB0");
  EXPECT_EQ(d.path(4), "/dev/ttyACM1");

  EXPECT_TRUE(d.set(2, ""));  // empty restores the default
  EXPECT_EQ(d.path(2), "/dev/ttyS1");

  EXPECT_FALSE(d.set(0, "/dev/ttyUSB0"));
  EXPECT_FALSE(d.set(5, "/dev/ttyUSB0"));
  EXPECT_FALSE(d.set(1, std::string("/dev/tty\0S9", 11)));
  EXPECT_EQ(d.path(1), "/dev/ttyS0");

  d.reset();
  EXPECT_EQ(d.path(4), "/dev/ttyS3");
}

TEST(PortDevices, IniKeyNames) {
  EXPECT_EQ(PortDevices::portNumberOf("COM1"), 1);
  EXPECT_EQ(PortDevices::portNumberOf("com4"), 4);
  EXPECT_EQ(PortDevices::portNumberOf("Com3"), 3);
  EXPECT_EQ(PortDevices::portNumberOf("COM0"), 0);
  EXPECT_EQ(PortDevices::portNumberOf("COM5"), 0);
  EXPECT_EQ(PortDevices::portNumberOf("COM10"), 0);
  EXPECT_EQ(PortDevices::portNumberOf("LPT1"), 0);
  EXPECT_EQ(PortDevices::portNumberOf(""), 0);
  EXPECT_EQ(PortDevices::portName(2), "COM2");
  EXPECT_EQ(PortDevices::portName(7), "");
}

}  // namespace
}  // namespace corvane
