#include "scope/glyphs_terminal.h"

namespace corvane {
namespace {

// Visible rows 1..9 of the cell, so a tag written at (x, y - 5) is centred on row y.
constexpr GlyphRows kOne = {
    0b00000000,  //
    0b00011000,  //    ##
    0b00111000,  //   ###
    0b01111000,  //  ####
    0b00011000,  //    ##
    0b00011000,  //    ##
    0b00011000,  //    ##
    0b00011000,  //    ##
    0b00011000,  //    ##
    0b01111110,  //  ######
    0b00000000,  //
    0b00000000,  //
};
constexpr GlyphRows kTwo = {
    0b00000000,  //
    0b01111100,  //  #####
    0b11000110,  // ##   ##
    0b00000110,  //      ##
    0b00001100,  //     ##
    0b00011000,  //    ##
    0b00110000,  //   ##
    0b01100000,  //  ##
    0b11000110,  // ##   ##
    0b11111110,  // #######
    0b00000000,  //
    0b00000000,  //
};
constexpr GlyphRows kEm = {
    0b00000000,  //
    0b11000110,  // ##   ##
    0b11101110,  // ### ###
    0b11111110,  // #######
    0b11010110,  // ## # ##
    0b11000110,  // ##   ##
    0b11000110,  // ##   ##
    0b11000110,  // ##   ##
    0b11000110,  // ##   ##
    0b11000110,  // ##   ##
    0b00000000,  //
    0b00000000,  //
};

}  // namespace

const GlyphRows* terminalGlyph(char c) {
  switch (c) {
    case '1':
      return &kOne;
    case '2':
      return &kTwo;
    case 'M':
      return &kEm;
    default:
      return nullptr;
  }
}

}  // namespace corvane
