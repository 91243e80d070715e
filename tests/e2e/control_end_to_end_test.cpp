// The built corvane-cli control against the simulator process: the instrument follows the entries,
// and a refused list sends nothing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "storage/data_file.h"
#include "tests/support/sim_process.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string output;  // stdout and stderr
};

// Runs the built tool through the shell; no argument here holds a single quote.
CliRun runCli(const std::vector<std::string>& args) {
  std::string command = std::string("'") + CORVANE_CLI_PATH + "' control";
  for (const std::string& a : args) command += " '" + a + "'";
  CliRun r;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return r;
  char buf[256];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) r.output.append(buf, n);
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(ControlEndToEnd, TheSimulatorFollowsTheEntriesAndARefusedListSendsNothing) {
  test_support::SimProcess sim{{"--baud", "38400"}};
  ASSERT_FALSE(sim.path().empty());

  CliRun refused = runCli({"--serial", sim.path(), "--baud", "38400", "CH 1/Volt Division/0.2 V",
                           "CH 1/Volt Divison/1 V"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.output.find("\"CH 1/Volt Divison/1 V\"; closest: \"CH 1/Volt Division/1 V\""),
            std::string::npos)
      << refused.output;
  EXPECT_EQ(sim.log().find("line opened"), std::string::npos);  // not one byte went out

  CliRun done = runCli({"--serial", sim.path(), "--baud", "38400", "CH 1/Volt Division/0.2 V",
                        "Control/Trigger/Slope/Falling", "Save/Recall CH2/Mem. 3"});
  ASSERT_EQ(done.status, 0) << done.output << sim.log();
  EXPECT_EQ(done.output,
            "CH 1/Volt Division/0.2 V: sent 0006000400060016; reply 5, value 6\n"
            "Trigger/Slope/Falling: sent 0091000400010096; reply 90, value 1\n"
            "Save/Recall CH2/Mem. 3: sent 0071000400070082; reply 70, value 7\n");

  // The tool closed the line as it ended.
  for (int i = 0; i < 200 && sim.log().find("line closed") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(sim.log().find("line closed"), std::string::npos) << sim.log();

  // The next setup load reads the settings back.
  const fs::path file = fs::temp_directory_path() / ("control-e2e-" + std::to_string(::getpid()));
  std::ostringstream out, err;
  ASSERT_EQ(
      cli::acquireCommand({"--serial", sim.path(), "--baud", "38400", file.string()}, out, err), 0)
      << err.str();
  ReadDataResult r = readDataFile(file);
  fs::remove(file);
  ASSERT_TRUE(r.status) << r.status.message;
  EXPECT_EQ(r.block.Ch1VoltDivIndex(), 6);
  EXPECT_EQ(r.block.TriggerSlope(), 1);
  EXPECT_EQ(r.block.RecallSelect(), 7);
}

}  // namespace
}  // namespace corvane
