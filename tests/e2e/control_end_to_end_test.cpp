// The built corvane-cli control against the simulator process: the instrument follows the entries,
// and a refused list never opens the line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
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
  std::string out, err;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

CliRun runCli(std::vector<std::string> args) {
  const fs::path dir =
      fs::temp_directory_path() / ("corvane-control-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string out = (dir / "out").string(), err = (dir / "err").string();
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  args.insert(args.begin(), {CORVANE_CLI_PATH, "control"});
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  CliRun r;
  pid_t pid = -1;
  if (posix_spawn(&pid, CORVANE_CLI_PATH, &fa, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&fa);
  r.out = slurp(out);
  r.err = slurp(err);
  fs::remove_all(dir);
  return r;
}

TEST(ControlEndToEnd, TheSimulatorFollowsTheEntriesAndARefusedListSendsNothing) {
  test_support::SimProcess sim{{"--baud", "38400"}};
  ASSERT_FALSE(sim.path().empty());

  CliRun refused = runCli({"--serial", sim.path(), "--baud", "38400", "CH 1/Volt Division/0.2 V",
                           "CH 1/Volt Divison/1 V"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("\"CH 1/Volt Divison/1 V\"; closest: \"CH 1/Volt Division/1 V\""),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(sim.log().find("line opened"), std::string::npos);  // not one byte went out

  CliRun done = runCli({"--serial", sim.path(), "--baud", "38400", "CH 1/Volt Division/0.2 V",
                        "Control/Trigger/Slope/Falling", "Save/Recall CH2/Mem. 3"});
  ASSERT_EQ(done.status, 0) << done.err << sim.log();
  EXPECT_EQ(done.out,
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
