// The toolbar buttons' glyphs, drawn for Corvane as vector paths, so they stay sharp at every
// size and device pixel ratio.
#pragma once

#include <QIcon>
#include <string_view>

namespace corvane {

// The glyph of the button with this hint; a lettered plate for a hint without a drawing.
QIcon toolbarGlyph(std::string_view hint);

}  // namespace corvane
