#include "app/user_manual.h"

#include <system_error>

#ifndef CORVANE_DOCDIR_FROM_BINDIR
#define CORVANE_DOCDIR_FROM_BINDIR "../share/doc/corvane"
#endif

namespace corvane {

std::filesystem::path findUserManual(const std::filesystem::path& programDir) {
  const std::filesystem::path beside = programDir / "Corvane.html";
  const std::filesystem::path installed =
      (programDir / CORVANE_DOCDIR_FROM_BINDIR / "Corvane.html").lexically_normal();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(beside, ec) &&
      std::filesystem::is_regular_file(installed, ec)) {
    return installed;
  }
  return beside;
}

}  // namespace corvane
