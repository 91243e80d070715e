// "Color Setting": seven swatches, the dialog's working copy of the colour slots. "&Default" sets
// the slots to their defaults at once (so the result reports it even after the close box);
// "&Close" hands back the swatches; the close box discards picks.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QFrame;

namespace corvane {

using ColorSlots = std::array<uint32_t, 7>;  // Ch1, Ch2, Merge, Cursor, Recall, Grid, GoNoGo

inline constexpr ColorSlots kDefaultColorSlots = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                                  0xFFFFFF, 0x777777, 0x777777};

struct ColorSetResult {
  bool defaultsApplied = false;      // "&Default" was pressed
  std::optional<ColorSlots> closed;  // "&Close": the swatches
};

class ColorDialog : public QDialog {
 public:
  // The chooser opens with the colour given and returns the pick, or nullopt when cancelled.
  using ColorChooser = std::function<std::optional<uint32_t>(uint32_t initial, QWidget* parent)>;

  ColorDialog(const ColorSlots& colorSlots, ColorChooser chooser, QWidget* parent = nullptr);
  const ColorSetResult& result() const { return result_; }
  const ColorSlots& swatches() const { return swatches_; }

  // The "C" button of row 0..6.
  void pickColor(int row);
  void applyDefaults();  // "&Default"
  void storeAndClose();  // "&Close"

  static std::optional<uint32_t> chooseWithQColorDialog(uint32_t initial, QWidget* parent);

 private:
  void paintSwatch(int row);

  ColorChooser chooser_;
  ColorSlots swatches_;
  uint32_t lastPicked_ = 0x000000;  // the chooser is not preset with the row's colour
  std::array<QFrame*, 7> swatchViews_{};
  ColorSetResult result_;
};

}  // namespace corvane
