// Frame text helpers for the simulator's tests: a frame is written as its digits, wrapped here
// in STX and ETX so that the literals stay readable.
#pragma once

#include <string>
#include <string_view>

namespace corvane::sim::test {

// framed("0005", "0001", "0008", "0014") is STX 0005000100080014 ETX.
template <typename... Parts>
std::string framed(const Parts&... digits) {
  std::string s(1, '\x02');
  (s += ... += std::string_view(digits));
  s += '\x03';
  return s;
}

// The start of a frame: opened("0203", "1000") is STX 02031000.
template <typename... Parts>
std::string opened(const Parts&... digits) {
  std::string s(1, '\x02');
  (s += ... += std::string_view(digits));
  return s;
}

}  // namespace corvane::sim::test
