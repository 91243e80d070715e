// corvane-cli report on a demonstration record, read back with poppler's pdftotext and pdftoppm.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct Output {
  int status = -1;
  std::string out;
};

Output run(const std::string& command) {
  Output r;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) r.out.append(buf, n);
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

[[maybe_unused]] std::string withoutSpaces(std::string s) {
  s.erase(std::remove_if(s.begin(), s.end(), [](unsigned char c) { return std::isspace(c); }),
          s.end());
  return s;
}

struct TempDir {
  fs::path path = fs::temp_directory_path() / ("corvane-report-" + std::to_string(::getpid()));
  TempDir() { fs::create_directories(path); }
  ~TempDir() { fs::remove_all(path); }
};

TEST(ReportEndToEnd, DemoRecordReportHasTheTextsAndThePicture) {
  const TempDir temp;
  const fs::path& dir = temp.path;
  const std::string cli = CORVANE_CLI_PATH, dso = (dir / "demo.DSO").string();
  const std::string pdf = (dir / "demo.pdf").string();
  ASSERT_EQ(run(cli + " demo-record " + dso).status, 0);
  std::ofstream(dir / "demo.TXT") << "Probe check\r\nBench 4\r\n";
  const Output report =
      run("env -u QT_QPA_PLATFORM -u DISPLAY " + cli + " report " + dso + " " + pdf);
#ifndef CORVANE_CLI_HAS_REPORT
  EXPECT_EQ(report.status, 2);
  EXPECT_NE(report.out.find("report is not available"), std::string::npos) << report.out;
#else
  ASSERT_EQ(report.status, 0) << report.out;
  const Output text = run("pdftotext " + pdf + " -");
  ASSERT_EQ(text.status, 0) << text.out;
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\f'), 2) << text.out;  // two pages
  const std::string page1 = withoutSpaces(text.out.substr(0, text.out.find('\f')));
  const std::string page2 = withoutSpaces(text.out.substr(text.out.find('\f')));
  for (const char* heading :
       {"Horizontal System Status", "Vertical System Status", "Trigger System Status",
        "Parameter Information", "Peak To Peak", "Negative Width", ")  Scope"})
    EXPECT_NE(page1.find(withoutSpaces(heading)), std::string::npos) << heading;
  EXPECT_NE(page2.find("Notes"), std::string::npos);
  EXPECT_NE(page2.find("Bench4"), std::string::npos);
  // Every settings and measurement text that info prints, except the slope sign and the
  // trigger level, which the report does not carry.
  const Output info = run(cli + " info --json " + dso);
  ASSERT_EQ(info.status, 0);
  const std::regex pair("\"(\\w+)\": \"([^\"]*)\"");
  int checked = 0;
  for (std::sregex_iterator it(info.out.begin(), info.out.end(), pair), end; it != end; ++it) {
    if ((*it)[1] == "trigger_slope" || (*it)[1] == "trigger_level") continue;
    EXPECT_NE(page1.find(withoutSpaces((*it)[2])), std::string::npos) << (*it)[1];
    ++checked;
  }
  EXPECT_EQ(checked, 8 + 9 + 9);
  // Page 1 at 50 dpi: the 324 x 254 picture spans about 270 x 212 points from (34, 36).
  const std::string pgm = (dir / "page").string();
  ASSERT_EQ(run("pdftoppm -r 50 -f 1 -l 1 -gray -singlefile " + pdf + " " + pgm).status, 0);
  std::ifstream in(pgm + ".pgm", std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  std::string pixels((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(magic, "P5");
  ASSERT_EQ(pixels.size(), std::size_t(width) * std::size_t(height));
  int dark = 0;
  for (int y = 40; y < 245; ++y)
    for (int x = 40; x < 300; ++x) dark += (unsigned char)pixels[std::size_t(y * width + x)] < 128;
  EXPECT_GT(dark, 1500);
#endif
}

}  // namespace
}  // namespace corvane
