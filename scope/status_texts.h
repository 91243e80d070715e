// The "Scope Information" texts and the display-scale boxes of a scope window, from its record.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/waveform_block.h"

namespace corvane {

struct ScopeInformation {
  // The "CH 1" and "CH 2" rows: volts/division and coupling.
  std::string ch1VoltDiv = "???", ch1Coupling = "???", ch2VoltDiv = "???", ch2Coupling = "???";
  // The "MODE" row; for a TV trigger the slope is empty and the coupling holds the sync kind.
  std::string triggerMode = "???", triggerSource = "???", triggerSlope = "?",
              triggerCoupling = "???";
  std::string timeDiv = "???", triggerLevel = "???";

  // Display-scale boxes: items and selected index (-1 = nothing selected).
  std::vector<std::string> ch1VoltDivItems, ch2VoltDivItems, timeDivItems;
  int ch1VoltDivSelection = -1, ch2VoltDivSelection = -1, timeDivSelection = -1;

  // For an EXT source: the window's own trigger-level row, 125 + nearest(0.2 x level).
  std::optional<int> extTriggerLevelRow;
};

// Fills every text from the record. `previous` supplies what a source outside the table leaves
// as it was (the trigger level). A probe byte outside 0..3 reads as x1 everywhere; a volts/division
// or time/division byte outside its table gives "???" and no selection.
ScopeInformation FillScopeInformation(const WaveformBlock& block,
                                      const ScopeInformation& previous = {});

// The trigger level text for the record's trigger source and level; nullopt for a source outside
// 0..3.
std::optional<std::string> triggerLevelText(const WaveformBlock& block);

}  // namespace corvane
