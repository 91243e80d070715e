// corvane-cli subcommands. Each takes the arguments after its name and the output streams, and
// returns the exit status: 0 done, 1 a file that cannot be read, written or is refused (one line
// on err), 2 a usage error (usage text on err).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace corvane::cli {

using Args = std::vector<std::string>;

int infoCommand(const Args& args, std::ostream& out, std::ostream& err);
int exportCommand(const Args& args, std::ostream& out, std::ostream& err);
int demoRecordCommand(const Args& args, std::ostream& out, std::ostream& err);
int acquireCommand(const Args& args, std::ostream& out, std::ostream& err);
int watchCommand(const Args& args, std::ostream& out, std::ostream& err);
// 1 also for "Receive time out." and a link that does not open.
int controlCommand(const Args& args, std::ostream& out, std::ostream& err);

extern const char* const kUsage;

}  // namespace corvane::cli
