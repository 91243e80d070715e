// corvane-cli report FILE.DSO OUT.pdf [--notes FILE.TXT] [--no-scope] [--no-notes]
#pragma once

#include <string>
#include <vector>

namespace corvane {

// `args` are the words after "report". Writes the printed report of the record, as a scope
// window newly opened on the file shows it, to a PDF (A4, 600 dpi). The notes come from the
// file's own notes file (none when it is missing) unless --notes names another. Returns 0 when
// written, 1 on a file error (one line on stderr), 2 on a usage error or in a build without the
// report.
int reportCommand(const std::vector<std::string>& args);

}  // namespace corvane
