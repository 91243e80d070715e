// Finding and naming serial devices as a bench user meets them: `probe` against simulators on
// pseudo-terminals, `ports --json` over a fake sysfs tree, and the reasons a device does not open.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/device_commands.h"
#include "link/open_failure.h"
#include "storage/data_file.h"
#include "storage/program_settings.h"
#include "tests/link/usb_test_support.h"
#include "tests/support/sim_process.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test_support::SimProcess;
using usbtest::FakeKernelTree;
using usbtest::Pty;
using usbtest::TempDir;

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The line of `json` that describes `path` (one device object a line).
std::string entryOf(const std::string& json, const std::string& path) {
  std::istringstream in(json);
  for (std::string line; std::getline(in, line);) {
    if (line.find("{\"path\": \"" + path + "\"") != std::string::npos) return line;
  }
  return {};
}

TEST(ProbeEndToEnd, FindsTheSimulatorAmongSilentLinesAndSavesIt) {
  SimProcess quietA({"--silent", "--baud", "19200"});
  SimProcess sim({"--baud", "19200", "--parity", "even"});
  SimProcess quietB({"--silent", "--baud", "19200"});
  ASSERT_FALSE(quietA.path().empty());
  ASSERT_FALSE(sim.path().empty());
  ASSERT_FALSE(quietB.path().empty());
  TempDir dir;
  const fs::path ini = dir.path / "KV2040.ini";
  std::ofstream(ini) << "; bench notes\n[Mine]\nkeep=1\n[COMM Set]\nPort=2\n";

  cli::DeviceContext context{{(dir.path / "sys").string(), (dir.path / "dev").string()},
                             ini.string()};
  std::ostringstream out, err;
  const auto began = std::chrono::steady_clock::now();
  const int status =
      cli::probeCommand({quietA.path(), sim.path(), quietB.path(), "--save"}, out, err, context);
  const auto took = std::chrono::steady_clock::now() - began;

  EXPECT_EQ(status, 0) << err.str();
  EXPECT_LT(took, std::chrono::seconds(10));
  // 19,200 bit/s without parity is tried first: only the line check makes "even" the answer.
  EXPECT_EQ(out.str(), "KV2040 on " + sim.path() + " at 19,200 bit/s, even parity\nsaved COM1 = " +
                           sim.path() + " to " + ini.string() + "\n");
  EXPECT_NE(err.str().find("no answer on " + quietA.path() + " at any rate and parity"),
            std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("no answer on " + quietB.path()), std::string::npos) << err.str();
  EXPECT_NE(sim.log().find("settings differ, not answering"), std::string::npos) << sim.log();

  const ProgramSettings saved = loadProgramSettings(ini.string());
  EXPECT_EQ(saved.port, 0);
  EXPECT_EQ(saved.baud, 4);    // 19,200 bit/s
  EXPECT_EQ(saved.parity, 1);  // even
  EXPECT_EQ(saved.comPorts.path(1), sim.path());
  const std::string text = slurp(ini);
  EXPECT_NE(text.find("; bench notes\n[Mine]\nkeep=1\n"), std::string::npos) << text;

  std::ostringstream out2, err2;
  EXPECT_EQ(cli::probeCommand({"--baud"}, out2, err2, context), 2);
}

TEST(PortsEndToEnd, JsonListsEveryDeviceWithTheComNamesTheSettingsGiveIt) {
  FakeKernelTree tree;
  Pty usbPty, acmPty, uartPty, noUartPty, configuredPty;
  ASSERT_TRUE(usbPty.ok() && acmPty.ok() && uartPty.ok() && noUartPty.ok() && configuredPty.ok());
  const fs::path sys = tree.sys(), dev = tree.dev();

  // An FTDI adapter, as the kernel lays it out, with its by-id link.
  tree.addUsbPort(0, "0403");
  const fs::path usbDevice = sys / "devices/pci0000:00/usb1/1-0";
  const fs::path port = usbDevice / "1-0:1.0/ttyUSB0";
  std::ofstream(usbDevice / "idProduct") << "6001\n";
  std::ofstream(usbDevice / "serial") << "A1B2C3\n";
  std::ofstream(usbDevice / "manufacturer") << "FTDI\n";
  std::ofstream(usbDevice / "product") << "FT232R USB UART\n";
  std::ofstream(port / "latency_timer") << "16\n";
  fs::create_directories(sys / "bus/usb-serial/drivers/ftdi_sio");
  fs::create_directory_symlink("../../../bus/usb-serial/drivers/ftdi_sio", port / "driver");
  tree.linkNode("ttyUSB0", usbPty.slavePath);
  fs::create_directories(dev / "serial/by-id");
  const fs::path byId = dev / "serial/by-id/usb-FTDI_KV2040_A1B2C3-if00-port0";
  fs::create_symlink("../../ttyUSB0", byId);
  // A modem-class device sysfs knows nothing of, a ttyS with a UART and one without.
  tree.linkNode("ttyACM0", acmPty.slavePath);
  tree.addPlatformPort("ttyS0");
  tree.addPlatformPort("ttyS1");
  std::ofstream(sys / "class/tty/ttyS0/type") << "0\n";
  std::ofstream(sys / "class/tty/ttyS1/type") << "4\n";
  tree.linkNode("ttyS0", noUartPty.slavePath);
  tree.linkNode("ttyS1", uartPty.slavePath);

  TempDir home;
  const fs::path ini = home.path / "KV2040.ini";
  std::ofstream(ini) << "[Devices]\nCOM2=" << byId.string()
                     << "\nCOM3=ttyS9\nCOM4=" << configuredPty.slavePath
                     << "\nCOM1=" << (dev / "ttyS1").string() << "\n";

  std::ostringstream out, err;
  ASSERT_EQ(cli::portsCommand({"--json"}, out, err, {{sys.string(), dev.string()}, ini.string()}),
            0)
      << err.str();
  const std::string json = out.str();
  const std::string self = std::to_string(::getpid());

  const std::string usb = entryOf(json, (dev / "ttyUSB0").string());
  EXPECT_NE(usb.find("\"stable_name\": \"" + byId.string() +
                     "\", \"driver\": \"ftdi_sio\", "
                     "\"vendor_id\": \"0403\", \"product_id\": \"6001\", \"serial_number\": "
                     "\"A1B2C3\", \"manufacturer\": \"FTDI\", \"product\": \"FT232R USB UART\", "
                     "\"latency_timer_ms\": 16, \"may_open\": true, \"why_not\": null, "
                     "\"held_by\": [{\"pid\": " +
                     self),
            std::string::npos)
      << json;
  EXPECT_NE(usb.find("\"ports\": [\"COM2\", \"USB\"]}"), std::string::npos) << usb;

  const std::string acm = entryOf(json, (dev / "ttyACM0").string());
  EXPECT_NE(acm.find("\"driver\": null, \"vendor_id\": null"), std::string::npos) << json;
  EXPECT_NE(acm.find("\"ports\": []"), std::string::npos) << acm;
  EXPECT_NE(entryOf(json, (dev / "ttyS1").string()).find("\"ports\": [\"COM1\"]"),
            std::string::npos)
      << json;
  EXPECT_EQ(entryOf(json, (dev / "ttyS0").string()), "") << json;
  EXPECT_NE(entryOf(json, configuredPty.slavePath).find("\"ports\": [\"COM4\"]"), std::string::npos)
      << json;
  // ttyUSB0, ttyACM0, ttyS1, then the configured pseudo-terminal.
  EXPECT_LT(json.find("ttyUSB0\""), json.find("ttyACM0\""));
  EXPECT_LT(json.find("ttyACM0\""), json.find("ttyS1\""));
  EXPECT_LT(json.find("ttyS1\""), json.find(configuredPty.slavePath + "\""));
}

// A process that holds `path` locked as a serial program does, until killed.
struct Holder {
  pid_t pid = -1;
  explicit Holder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) return;
    char sleep[] = "sleep", seconds[] = "60";
    char* argv[] = {sleep, seconds, nullptr};
    // The lock belongs to the open file, which the child keeps after this process closes it.
    if (::posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ) != 0) pid = -1;
    ::close(fd);
  }
  ~Holder() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
};

TEST(OpenFailureEndToEnd, EachUnopenableDeviceSaysWhyOnStandardErrorWithExitOne) {
  TempDir dir;
  const std::string file = (dir.path / "notes.txt").string();
  std::ofstream(file) << "not a tty\n";
  const std::string out = (dir.path / "out.DSO").string();
  auto acquire = [&](std::vector<std::string> args, std::string& err) {
    args.push_back(out);
    std::ostringstream o, e;
    const int status = cli::acquireCommand(args, o, e);
    err = e.str();
    return status;
  };
  std::string err;

  EXPECT_EQ(acquire({"--serial", file}, err), 1);
  EXPECT_EQ(err, "corvane-cli: COM port setting error !\ncorvane-cli: " + file +
                     ": it is a regular file, not a serial device. Choose another device "
                     "(corvane-cli ports lists them).\n");

  const std::string missing = (dir.path / "ttyUSB7").string();
  EXPECT_EQ(acquire({"--serial", missing}, err), 1);
  EXPECT_NE(err.find(missing + ": there is no such device. Plug the adapter in, or choose"),
            std::string::npos)
      << err;

  EXPECT_EQ(acquire({"--usb", file}, err), 1);
  EXPECT_EQ(err, "corvane-cli: USB is not available.\ncorvane-cli: " + file +
                     ": it is a regular file, not a serial device. Choose another device "
                     "(corvane-cli ports lists them).\n");

  Pty pty;
  ASSERT_TRUE(pty.ok());
  Holder holder(pty.slavePath);
  ASSERT_GT(holder.pid, 0);
  pty.closeSlave();  // so that the holder is the only one
  // The built tool, as a user runs it: its own standard error and exit status.
  const std::string command = std::string("'") + CORVANE_CLI_PATH + "' watch --serial '" +
                              pty.slavePath + "' 2>&1 >/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  char buf[256];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
  const int status = ::pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(status), 1) << text;
  EXPECT_NE(text.find("corvane-cli: " + pty.slavePath + ": it is in use by sleep (process " +
                      std::to_string(holder.pid) + "). Close that program"),
            std::string::npos)
      << text;

  // Not permitted cannot happen to root; the words for it come from the node's group.
  ASSERT_EQ(::chown(file.c_str(), 0, 20), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0660), 0);
  const OpenFailure denied = describeOpenFailure(file, EACCES);
  EXPECT_EQ(denied.kind, OpenFailureKind::kNotPermitted);
  const std::string group = ::getgrgid(20) ? ::getgrgid(20)->gr_name : "20";
  EXPECT_NE(denied.text().find("group " + group + " (-rw-rw----)"), std::string::npos)
      << denied.text();
  EXPECT_NE(denied.text().find("sudo usermod -aG " + group +
                               " $USER, then log in again; or install Corvane's udev rule "
                               "60-corvane-kv2040.rules"),
            std::string::npos)
      << denied.text();
}

}  // namespace
}  // namespace corvane
