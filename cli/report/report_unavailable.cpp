// The report needs Qt Gui; a build without Qt has the command but says so.
#include <cstdio>

#include "cli/report/report_command.h"

namespace corvane {

int reportCommand(const std::vector<std::string>&) {
  std::fprintf(stderr, "corvane-cli: report is not available in this build (built without Qt)\n");
  return 2;
}

}  // namespace corvane
