// The "Scope Information" texts and the display-scale boxes of a scope window, from its record.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/waveform_block.h"

namespace corvane {

struct ScopeInformation {
  std::string C1A = "???", C1B = "???", C2A = "???", C2B = "???";
  std::string CM1 = "???", CM2 = "???", Cm3 = "?", CM4 = "???";
  std::string CT1 = "???", CT2 = "???";

  // Display-scale boxes: items and selected index (-1 = nothing selected).
  std::vector<std::string> ComboBox2Items, ComboBox3Items, ComboBox4Items;
  int ComboBox2Index = -1, ComboBox3Index = -1, ComboBox4Index = -1;

  // For an EXT source: the window's own trigger-level row, 125 + nearest(0.2 x level).
  std::optional<int> extTriggerLevelRow;
};

// Fills every text from the record. `previous` supplies what a source outside the table leaves
// as it was (CT2). A probe byte outside 0..3 reads as x1 everywhere; a volts/division or
// time/division byte outside its table gives "???" and no selection.
ScopeInformation FillScopeInformation(const WaveformBlock& block,
                                      const ScopeInformation& previous = {});

// The CT2 text for the record's trigger source and level; nullopt for a source outside 0..3.
std::optional<std::string> triggerLevelText(const WaveformBlock& block);

}  // namespace corvane
