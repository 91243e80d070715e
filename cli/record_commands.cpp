// info, export and demo-record: the commands that work on a .DSO file alone.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <random>
#include <sstream>

#include "analysis/measurements.h"
#include "analysis/value_tables.h"
#include "cli/commands.h"
#include "scope/status_texts.h"
#include "storage/data_file.h"
#include "storage/record_csv.h"

namespace corvane::cli {

const char* const kUsage =
    "usage: corvane-cli info [--json] FILE.DSO\n"
    "       corvane-cli export FILE.DSO OUT.csv\n"
    "       corvane-cli render FILE.DSO OUT.bmp [--grid board|cross|full]\n"
    "                          [--cursors none|time|voltage|pair]\n"
    "       corvane-cli acquire --serial DEVICE [--baud N] [--parity none|even|odd] OUT.DSO\n"
    "       corvane-cli acquire --usb [DEVICE] OUT.DSO\n"
    "       corvane-cli watch --serial DEVICE [--baud N] [--parity P] [--cycles N] [--csv FILE]\n"
    "       corvane-cli watch --usb [DEVICE] [--cycles N] [--csv FILE]\n"
    "       corvane-cli control --list [--json]\n"
    "       corvane-cli control (--serial DEVICE [--baud N] [--parity P] | --usb [DEVICE]) "
    "PATH...\n"
    "       corvane-cli ports [--json]\n"
    "       corvane-cli probe [DEVICE...] [--save]\n"
    "       corvane-cli demo-record OUT.DSO\n"
    "       corvane-cli report FILE.DSO OUT.pdf [--notes FILE.TXT] [--no-scope] [--no-notes]\n";

namespace {

std::string jsonString(const std::string& s) {
  std::string o = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        o += "\\\"";
        break;
      case '\\':
        o += "\\\\";
        break;
      case '\n':
        o += "\\n";
        break;
      case '\r':
        o += "\\r";
        break;
      case '\t':
        o += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          o += buf;
        } else {
          o += static_cast<char>(c);
        }
    }
  }
  return o + "\"";
}

bool loadRecord(const std::string& path, WaveformBlock& block, std::ostream& err) {
  ReadDataResult r = readDataFile(path);
  if (!r.status) {
    err << "corvane-cli: " << (r.status.wrongSize ? path + ": " : "") << r.status.message << "\n";
    return false;
  }
  block = r.block;
  return true;
}

void jsonChannel(std::ostream& o, const ChannelMeasurements& m) {
  o << "{\"pp\": " << jsonString(m.pp) << ", \"rms\": " << jsonString(m.rms)
    << ", \"mean\": " << jsonString(m.mean) << ", \"freq\": " << jsonString(m.freq)
    << ", \"rise\": " << jsonString(m.rise) << ", \"fall\": " << jsonString(m.fall)
    << ", \"period\": " << jsonString(m.period) << ", \"pwidth\": " << jsonString(m.pwidth)
    << ", \"nwidth\": " << jsonString(m.nwidth) << "}";
}

void printTable(std::ostream& out, const ScopeInformation& s, const Measurements& m) {
  std::ostringstream o;
  auto cell = [&](const std::string& t, int w) { o << std::left << std::setw(w) << t; };
  o << "Scope Information\n";
  o << "  CH 1  ";
  cell(s.ch1VoltDiv, 9);
  cell(s.ch1Coupling, 5);
  o << "MODE  ";
  cell(s.triggerMode, 7);
  cell(s.triggerSource, 5);
  cell(s.triggerSlope, 2);
  o << s.triggerCoupling << "\n";
  o << "  CH 2  ";
  cell(s.ch2VoltDiv, 9);
  cell(s.ch2Coupling, 5);
  o << "TIME  ";
  cell(s.timeDiv, 9);
  o << "TRG  " << s.triggerLevel << "\n\n";
  o << "Parameter Information\n        ";
  for (const char* h :
       {"P.P", "RMS", "MEAN", "FREQ.", "RISE T", "FALL T", "PERIOD", "+WIDTH", "-WIDTH"})
    cell(h, 12);
  o << "\n";
  for (int ch = 0; ch < 2; ++ch) {
    const ChannelMeasurements& c = m.channel[std::size_t(ch)];
    o << (ch == 0 ? "  CH 1  " : "  CH 2  ");
    for (const std::string* t :
         {&c.pp, &c.rms, &c.mean, &c.freq, &c.rise, &c.fall, &c.period, &c.pwidth, &c.nwidth})
      cell(*t, 12);
    o << "\n";
  }
  // Padding is for the columns between; no line ends in blanks.
  std::istringstream lines(o.str());
  for (std::string line; std::getline(lines, line);) {
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << "\n";
  }
}

}  // namespace

int infoCommand(const Args& args, std::ostream& out, std::ostream& err) {
  bool json = false;
  std::string path;
  for (const std::string& a : args) {
    if (a == "--json") {
      json = true;
    } else if (path.empty() && (a.empty() || a[0] != '-' || a == "-")) {
      path = a;
    } else {
      err << kUsage;
      return 2;
    }
  }
  if (path.empty()) {
    err << kUsage;
    return 2;
  }
  WaveformBlock block;
  if (!loadRecord(path, block, err)) return 1;
  ScopeInformation s = FillScopeInformation(block);
  Measurements m = MeasureChannels(block, recordScales(block));
  if (!json) {
    printTable(out, s, m);
    return 0;
  }
  out << "{\"settings\": {\"ch1_volts_div\": " << jsonString(s.ch1VoltDiv)
      << ", \"ch1_coupling\": " << jsonString(s.ch1Coupling)
      << ", \"ch2_volts_div\": " << jsonString(s.ch2VoltDiv)
      << ", \"ch2_coupling\": " << jsonString(s.ch2Coupling)
      << ", \"trigger_mode\": " << jsonString(s.triggerMode)
      << ", \"trigger_source\": " << jsonString(s.triggerSource)
      << ", \"trigger_slope\": " << jsonString(s.triggerSlope)
      << ", \"trigger_coupling\": " << jsonString(s.triggerCoupling)
      << ", \"time_div\": " << jsonString(s.timeDiv)
      << ", \"trigger_level\": " << jsonString(s.triggerLevel) << "}, \"measurements\": {\"ch1\": ";
  jsonChannel(out, m.channel[0]);
  out << ", \"ch2\": ";
  jsonChannel(out, m.channel[1]);
  out << "}}\n";
  return 0;
}

int exportCommand(const Args& args, std::ostream& out, std::ostream& err) {
  (void)out;
  if (args.size() != 2) {
    err << kUsage;
    return 2;
  }
  WaveformBlock block;
  if (!loadRecord(args[0], block, err)) return 1;
  FileStatus s = writeRecordCsv(args[1], block);
  if (!s) {
    err << "corvane-cli: " << s.message << "\n";
    return 1;
  }
  return 0;
}

int demoRecordCommand(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) {
    err << kUsage;
    return 2;
  }
  // CH1: the 1 kHz probe-compensation square wave, 2 V peak to peak at 1 V/div, 0.2 ms/div.
  // CH2: a 2.5 kHz sine of 1.6 V peak at 0.5 V/div. A little noise on both.
  WaveformBlock b;
  b.setTimeDivIndex(15);
  b.setCh1VoltDivIndex(8);
  b.setCh2VoltDivIndex(7);
  b.setCh1Coupling(1);
  b.setCh2Coupling(0);
  b.setCh1Position(175);
  b.setCh2Position(275);
  b.setTriggerPosition(131);
  b.setTriggerLevel(150);  // 3 V above the centre: half-way up the square wave
  b.setTriggerMode(0);
  b.setTriggerCoupling(1);
  b.setRecallSelect(255);
  b.setPointStyle(1);
  b.setGridKind(0);
  std::mt19937 rng(2040);
  std::uniform_int_distribution<int> noise(-1, 1);
  for (int i = 0; i < kPointCount; ++i) {
    double t = i * 0.2e-3 / 50;  // seconds
    bool high = std::fmod(t * 1000.0 + 0.25, 1.0) < 0.5;
    b.setCh1Samples(i, static_cast<uint16_t>(groundCode(175) + (high ? 50 : 0) + noise(rng)));
    double s = 40 * std::sin(2 * M_PI * 2500 * t);
    b.setCh2Samples(i, static_cast<uint16_t>(groundCode(275) + std::lround(s) + noise(rng)));
    b.setPointValid(i, 1);
  }
  FileStatus s = writeDataFile(args[0], b);
  if (!s) {
    err << "corvane-cli: " << s.message << "\n";
    return 1;
  }
  out << "wrote " << args[0] << "\n";
  return 0;
}

}  // namespace corvane::cli
