// Decimal field text to integer for reply frames.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvane {

// An optional sign followed by one or more decimal digits, and nothing else, is its value; any
// other text (letters, blanks, zero bytes, empty, beyond 32 bits) is 0. Never throws.
int32_t ParseIntOrZero(std::string_view text);

}  // namespace corvane
