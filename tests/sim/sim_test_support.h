// Frame text helpers for the simulator's tests: a frame is written as its digits, wrapped here
// in STX and ETX so that the literals stay readable.
#pragma once

#include <string>
#include <string_view>

namespace corvane::sim::test {

inline std::string framed(std::string_view digits) {
  std::string s(1, '\x02');
  s += digits;
  s += '\x03';
  return s;
}

}  // namespace corvane::sim::test
