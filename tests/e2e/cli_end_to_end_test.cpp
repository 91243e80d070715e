// corvane-cli acquire and watch against the simulator process, on both links.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "analysis/measurements.h"
#include "cli/commands.h"
#include "storage/data_file.h"
#include "tests/support/sim_process.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test_support::SimProcess;

struct Dir {
  Dir() {
    char name[] = "/tmp/corvane-cli-e2e-XXXXXX";
    path = ::mkdtemp(name);
  }
  ~Dir() { fs::remove_all(path); }
  std::string path;
};

// The simulator's probe-compensation square wave on CH1, measured as a window would show it.
void expectSquareWave(const std::string& file) {
  ReadDataResult r = readDataFile(file);
  ASSERT_TRUE(r.status) << r.status.message;
  EXPECT_EQ(r.block.Ch1VoltDivIndex(), 8);  // the simulator's power-on 1 V/div
  EXPECT_EQ(r.block.Ch1Position(), 175);
  Measurements m = MeasureChannels(r.block, recordScales(r.block));
  EXPECT_EQ(m.channel[0].freq.substr(0, 3), "1.0") << m.channel[0].freq;
  EXPECT_EQ(m.channel[0].freq.substr(m.channel[0].freq.size() - 3), "KHz");
}

TEST(CliEndToEnd, AcquireOverSerialWritesTheSimulatorsRecord) {
  SimProcess sim{{"--baud", "38400"}};
  ASSERT_FALSE(sim.path().empty());
  Dir dir;
  std::ostringstream out, err;
  std::string file = dir.path + "/serial.DSO";
  ASSERT_EQ(cli::acquireCommand({"--serial", sim.path(), "--baud", "38400", file}, out, err), 0)
      << err.str() << sim.log();
  expectSquareWave(file);
}

TEST(CliEndToEnd, AcquireOverUsbWritesTheSimulatorsRecord) {
  SimProcess sim{{"--usb"}};
  ASSERT_FALSE(sim.path().empty());
  Dir dir;
  std::ostringstream out, err;
  std::string file = dir.path + "/usb.DSO";
  ASSERT_EQ(cli::acquireCommand({"--usb", sim.path(), file}, out, err), 0) << err.str();
  expectSquareWave(file);
  EXPECT_EQ(readDataFile(file).block.LinkUsb(), 1);
}

TEST(CliEndToEnd, SilentInstrumentAndMissingDevices) {
  SimProcess sim{{"--silent", "--baud", "38400"}};
  ASSERT_FALSE(sim.path().empty());
  Dir dir;
  std::ostringstream out, err;
  std::string file = dir.path + "/none.DSO";
  EXPECT_EQ(cli::acquireCommand({"--serial", sim.path(), "--baud", "38400", file}, out, err), 1);
  EXPECT_NE(err.str().find("Receive time out."), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(file));

  err.str("");
  EXPECT_EQ(cli::acquireCommand({"--usb", dir.path + "/no-such-device", file}, out, err), 1);
  EXPECT_NE(err.str().find("USB is not available."), std::string::npos) << err.str();
  err.str("");
  EXPECT_EQ(cli::acquireCommand({"--serial", dir.path + "/no-such-port", file}, out, err), 1);
  EXPECT_NE(err.str().find("COM port setting error !"), std::string::npos) << err.str();

  EXPECT_EQ(cli::acquireCommand({"--serial", sim.path(), "--baud", "300", file}, out, err), 2);
  EXPECT_EQ(cli::acquireCommand({"--usb", sim.path(), "--parity", "odd", file}, out, err), 2);
  EXPECT_EQ(cli::watchCommand({"--serial", sim.path(), "--cycles", "0"}, out, err), 2);
}

TEST(CliEndToEnd, WatchPrintsOneLinePerHandOverAndStops) {
  SimProcess sim{{"--usb"}};
  ASSERT_FALSE(sim.path().empty());
  std::ostringstream out, err;
  ASSERT_EQ(cli::watchCommand({"--usb", sim.path(), "--cycles", "6"}, out, err), 0) << err.str();
  std::istringstream lines(out.str());
  int n = 0;
  for (std::string line; std::getline(lines, line); ++n) {
    EXPECT_EQ(line.rfind("{\"measurements\": {\"ch1\": {\"pp\": ", 0), 0u) << line;
    EXPECT_NE(line.find("\"frame_rate\": \"FrameRate = "), std::string::npos);
    EXPECT_NE(line.find("\"freq\": \"1.0"), std::string::npos) << line;
  }
  EXPECT_EQ(n, 6);
  EXPECT_NE(out.str().find("\"since_previous_ms\": null"), std::string::npos);
  EXPECT_NE(out.str().find("\"since_previous_ms\": 5"), std::string::npos);  // 50 ms ticks
}

TEST(CliEndToEnd, UnpluggingTheUsbDeviceEndsTheWatch) {
  SimProcess sim{{"--usb"}};
  ASSERT_FALSE(sim.path().empty());
  std::ostringstream out, err;
  std::thread unplug([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    sim.kill(SIGTERM);
  });
  int rc = cli::watchCommand({"--usb", sim.path()}, out, err);
  unplug.join();
  EXPECT_EQ(rc, 1);
  EXPECT_NE(err.str().find("USB device is disable."), std::string::npos) << err.str();
  EXPECT_NE(out.str().find("{\"measurements\""), std::string::npos);
}

}  // namespace
}  // namespace corvane
