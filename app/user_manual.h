// Where Help finds the user manual: beside the program in a build folder, or in the installed
// documentation folder (prefix/share/doc/corvane/ for prefix/bin/corvane).
#pragma once

#include <filesystem>

namespace corvane {

// The manual for the program in `programDir`: the first of the two places that holds it; when
// neither does, the one beside the program, so that Help names it as missing.
std::filesystem::path findUserManual(const std::filesystem::path& programDir);

}  // namespace corvane
