// Arbitrary bytes as a settings file: parsing keeps them byte for byte, the settings read from
// them and changed survive a save and a second parse, and every line other than the fourteen
// keys' is still there, in order.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "storage/ini_file.h"
#include "storage/program_settings.h"

namespace {

bool isAddedLine(std::string_view line) {
  if (line.empty()) return true;  // the blank line before an added section
  for (const auto& k : corvane::kProgramSettingsKeys) {
    if (line.size() == k.section.size() + 2 && line.front() == '[' && line.back() == ']' &&
        line.substr(1, k.section.size()) == k.section) {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const IniFile original(text);
  if (original.text() != text) __builtin_trap();

  ProgramSettings s = readProgramSettings(original);
  s.port = static_cast<uint8_t>(s.port + 1);
  s.stopBits = static_cast<uint8_t>(~s.stopBits);
  for (uint32_t& c : s.colors) c ^= 0x00A5A5A5;
  s.delayLevel = static_cast<int32_t>(static_cast<uint32_t>(s.delayLevel) ^ 0x80000001u);
  s.waveFormPrint = !s.waveFormPrint;
  IniFile saved = original;
  writeProgramSettings(saved, s);
  const IniFile again(saved.text());
  if (!(readProgramSettings(again) == s)) __builtin_trap();

  std::vector<bool> keyBefore(original.lineCount()), keyAfter(again.lineCount());
  for (const auto& k : kProgramSettingsKeys) {
    if (auto i = original.lineOf(k.section, k.key)) keyBefore[*i] = true;
    auto j = again.lineOf(k.section, k.key);
    if (!j) __builtin_trap();
    keyAfter[*j] = true;
  }
  std::size_t o = 0;
  auto skipKeys = [&] {
    while (o < original.lineCount() && keyBefore[o]) ++o;
  };
  for (std::size_t n = 0; n < again.lineCount(); ++n) {
    if (keyAfter[n]) continue;
    skipKeys();
    if (o < original.lineCount() && again.line(n) == original.line(o)) {
      ++o;
    } else if (o < original.lineCount() || !isAddedLine(again.line(n))) {
      __builtin_trap();  // an original line lost or changed, or a stray line added
    }
  }
  skipKeys();
  if (o != original.lineCount()) __builtin_trap();
  return 0;
}
