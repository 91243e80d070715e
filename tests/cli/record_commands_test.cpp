#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "cli/render_command.h"
#include "storage/data_file.h"

namespace corvane::cli {
namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvane-cli-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string dir;
  std::ostringstream out, err;
};

// The worked square wave: CH1 0.5 V/div at position 225, 1 ms/div, 100 samples per half period.
WaveformBlock squareRecord() {
  WaveformBlock b;
  b.setCh1Position(225);
  b.setCh1VoltDivIndex(7);
  b.setCh1Coupling(1);
  b.setTimeDivIndex(17);
  b.setCh2Position(275);
  b.setCh2VoltDivIndex(2);
  b.setCh2Probe(1);
  b.setTriggerSource(1);
  b.setTriggerLevel(150);
  for (int i = 0; i < kPointCount; ++i) {
    b.setCh1Samples(i, (i / 100) % 2 == 0 ? 177 : 77);
    b.setCh2Samples(i, 77);
  }
  return b;
}

TEST_F(CliTest, InfoJsonHasTheFixedShape) {
  std::string path = dir + "/sq.DSO";
  ASSERT_TRUE(writeDataFile(path, squareRecord()));
  ASSERT_EQ(infoCommand({"--json", path}, out, err), 0) << err.str();
  EXPECT_EQ(
      out.str(),
      "{\"settings\": {\"ch1_volts_div\": \"0.5 V\", \"ch1_coupling\": \"DC\", "
      "\"ch2_volts_div\": \"0.1 V\", \"ch2_coupling\": \"AC\", \"trigger_mode\": \"Auto\", "
      "\"trigger_source\": \"CH2\", \"trigger_slope\": \"+\", \"trigger_coupling\": \"AC\", "
      "\"time_div\": \"1 ms\", \"trigger_level\": \"300.00mV\"}, \"measurements\": "
      "{\"ch1\": {\"pp\": \"2.0V\", \"rms\": \"1.0V\", \"mean\": \"0.000V\", \"freq\": "
      "\"250.00Hz\", \"rise\": \"0.02ms\", \"fall\": \"0.02ms\", \"period\": \"4.00ms\", "
      "\"pwidth\": \"2.00ms\", \"nwidth\": \"2.00ms\"}, \"ch2\": {\"pp\": \"0.0mV\", "
      "\"rms\": \"???\", \"mean\": \"???\", \"freq\": \"???\", \"rise\": \"???\", "
      "\"fall\": \"???\", \"period\": \"???\", \"pwidth\": \"???\", \"nwidth\": \"???\"}}}\n");
}

TEST_F(CliTest, InfoTableShowsSettingsAndMeasurements) {
  std::string path = dir + "/sq.DSO";
  ASSERT_TRUE(writeDataFile(path, squareRecord()));
  ASSERT_EQ(infoCommand({path}, out, err), 0);
  EXPECT_NE(out.str().find("CH 1  0.5 V    DC   MODE  Auto"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("250.00Hz"), std::string::npos);
  EXPECT_EQ(out.str().find(" \n"), std::string::npos);
}

TEST_F(CliTest, RefusedAndMissingFilesAndUsage) {
  std::string path = dir + "/short.DSO";
  std::ofstream(path, std::ios::binary) << std::string(kBlockSize - 1, '\0');
  EXPECT_EQ(infoCommand({"--json", path}, out, err), 1);
  EXPECT_NE(err.str().find("Data isn't verified.."), std::string::npos);
  std::string message = err.str();
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
  EXPECT_TRUE(out.str().empty());

  err.str("");
  EXPECT_EQ(infoCommand({dir + "/none.DSO"}, out, err), 1);
  EXPECT_NE(err.str().find("No such file"), std::string::npos);

  EXPECT_EQ(infoCommand({}, out, err), 2);
  EXPECT_EQ(infoCommand({"--bogus", path}, out, err), 2);
  EXPECT_EQ(exportCommand({path}, out, err), 2);
}

TEST_F(CliTest, ExportWritesOneRowPerSampleInSecondsAndVolts) {
  WaveformBlock b = squareRecord();
  b.setCh1Probe(1);  // x10: 200 mV per code
  std::string path = dir + "/sq.DSO";
  ASSERT_TRUE(writeDataFile(path, b));
  ASSERT_EQ(exportCommand({path, dir + "/out.csv"}, out, err), 0) << err.str();
  std::ifstream in(dir + "/out.csv");
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);) rows.push_back(line);
  ASSERT_EQ(rows.size(), 501u);
  EXPECT_EQ(rows[0], "index,time_s,ch1_V,ch2_V\r");
  EXPECT_EQ(rows[1], "0,0,10,0\r");
  EXPECT_EQ(rows[101], "100,0.002,-10,0\r");  // 20 us per sample at 1 ms/div

  b.setTimeDivIndex(40);  // no such time base: the time column stays empty
  ASSERT_TRUE(writeDataFile(path, b));
  ASSERT_EQ(exportCommand({path, dir + "/out.csv"}, out, err), 0);
  std::ifstream again(dir + "/out.csv");
  std::string line;
  std::getline(again, line);
  std::getline(again, line);
  EXPECT_EQ(line, "0,,10,0\r");
}

TEST_F(CliTest, RenderWritesTheWindowPictureAsBmp) {
  std::string path = dir + "/sq.DSO";
  ASSERT_TRUE(writeDataFile(path, squareRecord()));
  ASSERT_EQ(corvane::renderCommand({path, dir + "/sq.bmp", "--grid", "cross", "--cursors=pair"}),
            0);
  std::ifstream in(dir + "/sq.bmp", std::ios::binary);
  std::string bmp(std::istreambuf_iterator<char>(in), {});
  ASSERT_EQ(bmp.size(), 54u + 972u * 254u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<uint8_t>(bmp[18]) | static_cast<uint8_t>(bmp[19]) << 8, 324);
  EXPECT_EQ(static_cast<uint8_t>(bmp[22]) | static_cast<uint8_t>(bmp[23]) << 8, 254);

  std::ofstream(dir + "/bad.DSO") << "short";
  EXPECT_EQ(corvane::renderCommand({dir + "/bad.DSO", dir + "/bad.bmp"}), 1);
  EXPECT_FALSE(fs::exists(dir + "/bad.bmp"));
  EXPECT_EQ(corvane::renderCommand({path, dir + "/x.bmp", "--grid", "diagonal"}), 2);
  EXPECT_EQ(corvane::renderCommand({path}), 2);
}

}  // namespace
}  // namespace corvane::cli
