#include "storage/program_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class ProgramSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvane-ini-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  void TearDown() override { fs::remove_all(dir); }
  void writeRaw(const std::string& p, const std::string& bytes) const {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  std::string readRaw(const std::string& p) const {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir;
};

TEST_F(ProgramSettingsTest, FirstStartWritesExactlyTheFourteenDefaults) {
  std::string path = dir + "/corvane/KV2040.ini";  // the folder does not exist yet
  ProgramSettings s = loadProgramSettings(path);
  EXPECT_EQ(s, ProgramSettings{});
  EXPECT_EQ(s.comPorts.path(4), "/dev/ttyS3");
  ASSERT_TRUE(saveProgramSettings(path, s));
  EXPECT_EQ(readRaw(path),
            "[COMM Set]\nPort=0\nBaud rates=2\nParity Bits=1\nStop Bits=0\n\n"
            "[Color Setup]\nCh1 Color=16777215\nCh2 Color=16777215\nMerge Color=16777215\n"
            "Cursor Color=16777215\nRecall Color=16777215\nGrid Color=7829367\n"
            "GoNoGo Color=7829367\n\n[Delay]\nLevel=500\n\n"
            "[Printer Information]\nWave Form=1\nCorvane notes=1\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir + "/corvane"), fs::directory_iterator{}), 1);
}

TEST_F(ProgramSettingsTest, SaveRewritesOnlyTheFourteenKeysAndKeepsEveryOtherByte) {
  const std::string longLine = "LongKey=" + std::string(100 * 1024, 'a');
  const std::string head =
      "; Corvane settings\r\n"
      "[comm set]\r\n"
      "Port = 257\r\n"
      "Baud rates=0x3\r\n"
      "BAUD RATES=5\r\n"
      "garbage line without equals\r\n"
      "Parity Bits=\r\n";
  const std::string middle =
      "[Devices]\r\nCOM1=ttyUSB0\r\nUSB=/dev/ttyUSB1\r\n"
      "[Printer Information]\r\n";
  const std::string tail = "Paper=A4\r\nX=\0y\r\n"s + longLine + "\r\n";
  const std::string path = dir + "/KV2040.ini";
  writeRaw(path, head + middle + "Wave Form=2\r\n" + tail + "[Mine]\r\nKeep=me");

  ProgramSettings s = loadProgramSettings(path);
  EXPECT_EQ(s.port, 1);          // 257 keeps its low 8 bits
  EXPECT_EQ(s.baud, 3);          // hexadecimal; the first of two duplicates
  EXPECT_EQ(s.parity, 1);        // empty value: default
  EXPECT_TRUE(s.waveFormPrint);  // 2 is true
  EXPECT_EQ(s.comPorts.path(1), "/dev/ttyUSB0");
  EXPECT_EQ(s.comPorts.path(2), "/dev/ttyS1");
  EXPECT_EQ(s.usbDevice, "/dev/ttyUSB1");

  ASSERT_TRUE(saveProgramSettings(path, s));
  EXPECT_EQ(readRaw(path),
            "; Corvane settings\r\n[comm set]\r\nPort =1\r\nBaud rates=3\r\nBAUD RATES=5\r\n"
            "garbage line without equals\r\nParity Bits=1\r\nStop Bits=0\r\n" +
                middle + "Wave Form=1\r\n" + tail +
                "Corvane notes=1\r\n[Mine]\r\nKeep=me\r\n\r\n"
                "[Color Setup]\r\nCh1 Color=16777215\r\nCh2 Color=16777215\r\n"
                "Merge Color=16777215\r\nCursor Color=16777215\r\nRecall Color=16777215\r\n"
                "Grid Color=7829367\r\nGoNoGo Color=7829367\r\n\r\n[Delay]\r\nLevel=500\r\n");
  EXPECT_EQ(loadProgramSettings(path), s);
}

TEST_F(ProgramSettingsTest, EveryBadValueTakesADefinedValue) {
  struct Case {
    std::string port, level, grid, notes;
    uint8_t wantPort;
    int32_t wantLevel;
    uint32_t wantGrid;
    bool wantNotes;
  };
  const Case cases[] = {
      {"0x", "", "abc", "12abc", 0, 500, 0x777777, true},
      {"-1", "-1", "-1", "-1", 255, -1, 0xFFFFFFFF, true},
      {"99999999999", "99999999999", "0xFF00FF", "0", 255, 1215752191, 0xFF00FF, false},
      {"+0x1F", "-0x10", " 4294967296 ", "4294967296", 31, -16, 0, true},
      {"99999999999999999999", "1 2", "0x1g", "0x0", 0, 500, 0x777777, false},
  };
  for (const Case& c : cases) {
    const std::string path = dir + "/bad.ini";
    writeRaw(path, "[COMM Set]\nPort=" + c.port + "\n[Delay]\nLevel=" + c.level +
                       "\n[Color Setup]\nGrid Color=" + c.grid +
                       "\n[Printer Information]\nCorvane notes=" + c.notes + "\n");
    ProgramSettings s = loadProgramSettings(path);
    EXPECT_EQ(s.port, c.wantPort) << c.port;
    EXPECT_EQ(s.delayLevel, c.wantLevel) << c.level;
    EXPECT_EQ(s.colors[kGridColorSlot], c.wantGrid) << c.grid;
    EXPECT_EQ(s.notesPrint, c.wantNotes) << c.notes;
  }
}

// Only what changed is written: a hand-written name for the same device stays, a port back on its
// default device and the USB bridge back on the automatic choice are written out.
TEST_F(ProgramSettingsTest, DeviceSettingsWriteOnlyTheDevicesThatChanged) {
  const std::string path = dir + "/KV2040.ini";
  writeRaw(path, "[devices]\r\nCOM1 = ttyUSB0\r\nCOM3=/dev/ttyACM0\r\nUSB=ttyUSB1\r\n");
  ProgramSettings s = loadProgramSettings(path);
  EXPECT_EQ(s.comPorts.path(1), "/dev/ttyUSB0");
  s.comPorts.set(2, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
  s.comPorts.set(3, "");
  s.usbDevice.clear();
  ASSERT_TRUE(saveDeviceSettings(path, s));
  EXPECT_EQ(readRaw(path),
            "[devices]\r\nCOM1 = ttyUSB0\r\nCOM3=/dev/ttyS2\r\nUSB=\r\n"
            "COM2=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0\r\n");
  EXPECT_EQ(loadProgramSettings(path), s);
}

// Only 1, 2 and 3 are display sizes; the key is written once set, and kept once there.
TEST_F(ProgramSettingsTest, DisplayScaleReadsOneToThreeAndIsWrittenOnceSet) {
  const std::string path = dir + "/KV2040.ini";
  for (const auto& [text, want] : std::vector<std::pair<std::string, int>>{
           {"2", 2}, {"3", 3}, {"0", 1}, {"4", 1}, {"-2", 1}, {"two", 1}, {"0x2", 2}}) {
    writeRaw(path, "[Display]\nScale=" + text + "\n");
    EXPECT_EQ(loadProgramSettings(path).displayScale, want) << text;
  }
  writeRaw(path, "[Delay]\nLevel=500\n");
  ProgramSettings s = loadProgramSettings(path);
  s.displayScale = 3;
  ASSERT_TRUE(saveProgramSettings(path, s));
  EXPECT_NE(readRaw(path).find("\n[Display]\nScale=3\n"), std::string::npos);
  EXPECT_EQ(loadProgramSettings(path), s);
  s.displayScale = 1;
  ASSERT_TRUE(saveProgramSettings(path, s));
  EXPECT_NE(readRaw(path).find("[Display]\nScale=1\n"), std::string::npos);
}

TEST_F(ProgramSettingsTest, ADirectoryOrUnreadableFileGivesDefaultsAndIsNeverOverwritten) {
  fs::create_directory(dir + "/KV2040.ini");
  EXPECT_EQ(loadProgramSettings(dir + "/KV2040.ini"), ProgramSettings{});
  FileStatus st = saveProgramSettings(dir + "/KV2040.ini", ProgramSettings{});
  EXPECT_FALSE(st);
  EXPECT_EQ(st.message, "Cannot access file \"" + dir + "/KV2040.ini\". Is a directory");

  if (geteuid() != 0) {  // root reads anything
    const std::string path = dir + "/locked.ini";
    writeRaw(path, "[COMM Set]\nPort=3\n[Other]\nmine=1\n");
    fs::permissions(path, fs::perms::none);
    EXPECT_EQ(loadProgramSettings(path), ProgramSettings{});
    EXPECT_FALSE(saveProgramSettings(path, ProgramSettings{}));
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_EQ(readRaw(path), "[COMM Set]\nPort=3\n[Other]\nmine=1\n");
  }
}

TEST(SettingsDirectoryTest, XdgConfigHomeOnlyWhenAbsolute) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const char* oldHome = std::getenv("HOME");
  std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
  setenv("HOME", "/home/op", 1);
  setenv("XDG_CONFIG_HOME", "/cfg/", 1);
  EXPECT_EQ(settingsFilePath(), "/cfg/corvane/KV2040.ini");
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(settingsDirectory(), "/home/op/.config/corvane");
  setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(settingsDirectory(), "/home/op/.config/corvane");
  oldXdg ? setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
  oldHome ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
}

TEST(IniFileTest, SetAddsToTheFirstSectionOfAnyCaseAndTerminatesTheLastLine) {
  IniFile ini("[a]\nk=1\n\n; about b\n[B]\nx=1\n[b]\ny=2\rz");
  EXPECT_EQ(ini.value("A", "K"), "1");
  EXPECT_EQ(ini.value("b", "y"), "2\rz");
  ini.set("b", "new", "v");
  ini.set("a", "k", "2");
  ini.set("c", "q", "3\nr=4");
  EXPECT_EQ(ini.text(), "[a]\nk=2\n\n; about b\n[B]\nx=1\nnew=v\n[b]\ny=2\rz\n\n[c]\nq=3\n");
}

}  // namespace
}  // namespace corvane
