#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/device_commands.h"
#include "cli/render_command.h"
#include "cli/report/report_command.h"

int main(int argc, char** argv) {
  using namespace corvane::cli;
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  std::string name = argv[1];
  Args args(argv + 2, argv + argc);
  if (name == "info") return infoCommand(args, std::cout, std::cerr);
  if (name == "export") return exportCommand(args, std::cout, std::cerr);
  if (name == "acquire") return acquireCommand(args, std::cout, std::cerr);
  if (name == "watch") return watchCommand(args, std::cout, std::cerr);
  if (name == "control") return controlCommand(args, std::cout, std::cerr);
  if (name == "ports") return portsCommand(args, std::cout, std::cerr);
  if (name == "probe") return probeCommand(args, std::cout, std::cerr);
  if (name == "render") return corvane::renderCommand(args);
  if (name == "report") return corvane::reportCommand(args);
  if (name == "demo-record") return demoRecordCommand(args, std::cout, std::cerr);
  if (name == "--help" || name == "-h" || name == "help") {
    std::cout << kUsage << "       corvane-cli --help | --version\n";
    return 0;
  }
  if (name == "--version" || name == "-v") {
    std::cout << "corvane-cli " << CORVANE_VERSION << "\n";
    return 0;
  }
  std::cerr << "corvane-cli: unknown command '" << name << "'\n" << kUsage;
  return 2;
}
