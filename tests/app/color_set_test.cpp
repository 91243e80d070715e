#include <QPushButton>
#include <QTest>

#include "app/color_dialog.h"
#include "app_test_support.h"
#include "scope/widgets/scope_window.h"

namespace corvane::apptest {
namespace {

TEST(ColorSet, PicksStayInTheDialogUntilCloseAndDefaultActsAtOnce) {
  ColorSlots colorSlots = {1, 2, 3, 4, 5, 6, 7};
  std::vector<uint32_t> openedWith;
  std::deque<std::optional<uint32_t>> picks = {0x0000FF, std::nullopt, 0x00FF00};
  ColorDialog dialog(colorSlots, [&](uint32_t initial, QWidget*) {
    openedWith.push_back(initial);
    auto p = picks.front();
    picks.pop_front();
    return p;
  });
  dialog.findChild<QPushButton*>("ToolbarButton972")->click();  // Ch1: red
  dialog.findChild<QPushButton*>("ToolbarButton977")->click();  // Grid: cancelled
  dialog.findChild<QPushButton*>("ToolbarButton979")->click();  // GoNoGo: green
  EXPECT_EQ(openedWith, (std::vector<uint32_t>{0x000000, 0x0000FF, 0x0000FF}));
  EXPECT_EQ(dialog.swatches(), (ColorSlots{0x0000FF, 2, 3, 4, 5, 6, 0x00FF00}));
  dialog.reject();  // the close box
  EXPECT_FALSE(dialog.result().defaultsApplied);
  EXPECT_FALSE(dialog.result().closed.has_value());

  ColorDialog second(colorSlots, nullptr);
  second.findChild<QPushButton*>("ToolbarButton978")->click();
  second.reject();
  EXPECT_TRUE(second.result().defaultsApplied);
  EXPECT_FALSE(second.result().closed.has_value());
}

TEST(ColorSet, MainWindowAppliesTheResultAndRedrawsEveryWindow) {
  QuietPort port;
  MainRig rig;
  rig.writeIni(port.path, "[Color Setup]\nGrid Color=0x12345678\n");
  MainWindow& m = rig.start();
  EXPECT_EQ(m.colors().grid, 0x345678u);  // only the 24 colour bits are drawn
  m.newScopeWindow();
  ColorSlots chosen = kDefaultColorSlots;
  chosen[5] = 0x00FF00;  // grid
  rig.ui.colorAnswer.closed = chosen;
  m.editColors();
  // Every open window draws its graticule in the new colour at once.
  for (int slot : {0, 1}) {
    const auto& px = m.scopeWindow(slot)->displayBitmap().pixels();
    EXPECT_GT(std::count(px.begin(), px.end(), 0x00FF00u), 300) << slot;
    EXPECT_EQ(std::count(px.begin(), px.end(), 0x345678u), 0) << slot;
  }
  m.exitProgram();
  EXPECT_NE(readAll(rig.file("KV2040.ini")).find("Grid Color=65280"), std::string::npos);
}

}  // namespace
}  // namespace corvane::apptest
