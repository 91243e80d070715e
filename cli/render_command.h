// corvane-cli render FILE.DSO OUT.bmp [--grid board|cross|full] [--cursors none|time|voltage|pair]
#pragma once

#include <string>
#include <vector>

namespace corvane {

// `args` are the words after "render". Writes the picture a scope window shows right after the
// record arrives. Returns 0 when written, 1 on a file error (one line on stderr: the file and
// the system's message, or "Data isn't verified.." for a file that is not 18,120 bytes), 2 on a
// usage error (the usage line on stderr).
int renderCommand(const std::vector<std::string>& args);

}  // namespace corvane
