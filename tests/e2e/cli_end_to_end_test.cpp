// corvane-cli acquire and watch against the simulator process, on both links.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

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

// A CSV value against the label text of the same hand-over: within half a unit of its last digit.
void expectCellShowsAs(const std::string& cell, const std::string& text) {
  static const std::map<std::string, double> kUnits = {{"MHz", 1e6}, {"KHz", 1e3}, {"Hz", 1},
                                                       {"mV", 1e-3}, {"V", 1},     {"ns", 1e-9},
                                                       {"us", 1e-6}, {"ms", 1e-3}, {"s", 1}};
  if (text == "???") {
    EXPECT_EQ(cell, "");
    return;
  }
  char* unit = nullptr;
  const double number = std::strtod(text.c_str(), &unit);
  ASSERT_TRUE(kUnits.count(unit)) << text;
  const double scale = kUnits.at(unit);
  const auto decimals = unit - text.c_str() - int(text.find('.')) - 1;
  EXPECT_NEAR(std::stod(cell), number * scale, 0.5000001 * std::pow(10.0, -decimals) * scale)
      << cell << " shown as " << text;
}

// One row per hand-over, holding the numbers behind the label texts the watch printed for it,
// which are the texts `info` shows for the same record.
TEST(CliEndToEnd, WatchLogsOneCsvRowPerHandOver) {
  SimProcess sim{{"--usb"}};
  ASSERT_FALSE(sim.path().empty());
  Dir dir;
  const std::string file = dir.path + "/log.csv";
  std::ostringstream out, err;
  ASSERT_EQ(cli::watchCommand({"--usb", sim.path(), "--csv", file, "--cycles", "6"}, out, err), 0)
      << err.str();
  std::ifstream csv(file);
  std::string row;
  std::getline(csv, row);
  EXPECT_EQ(row.rfind("Local time,Seconds since start (s),Waveform,CH1 Volts/div (V),", 0), 0u);
  const std::regex label("\"(?:pp|rms|mean|freq|rise|fall|period|pwidth|nwidth)\": \"([^\"]*)\"");
  const std::regex rowStart(
      "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d,\\d+\\.\\d{3},");
  std::istringstream lines(out.str());
  int rows = 0;
  for (std::string line; std::getline(lines, line) && std::getline(csv, row);) {
    ++rows;
    std::smatch start;
    ASSERT_TRUE(std::regex_search(row, start, rowStart) && start.position(0) == 0) << row;
    std::vector<std::string> cells;
    std::istringstream in(row.substr(std::size_t(start.length(0))) + ",");
    for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 22u) << row;
    EXPECT_EQ(cells[0], std::to_string(rows));
    EXPECT_EQ(cells[1], "1");  // the simulator's power-on 1 V/div
    std::vector<std::string> texts;
    for (std::sregex_iterator m(line.begin(), line.end(), label), e; m != e; ++m)
      texts.push_back((*m)[1]);
    ASSERT_EQ(texts.size(), 18u) << line;
    for (std::size_t k = 0; k < 18; ++k) expectCellShowsAs(cells[4 + k], texts[k]);
  }
  EXPECT_EQ(rows, 6);
  EXPECT_FALSE(std::getline(csv, row)) << row;

  // A log that cannot be written ends the watch before the instrument is asked.
  err.str("");
  EXPECT_EQ(cli::watchCommand({"--usb", sim.path(), "--csv", "/dev/full"}, out, err), 1);
  EXPECT_EQ(err.str(), "corvane-cli: Cannot access file \"/dev/full\". No space left on device\n");
  EXPECT_EQ(cli::watchCommand({"--usb", sim.path(), "--csv"}, out, err), 2);
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
