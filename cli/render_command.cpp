#include "cli/render_command.h"

#include <cstdio>
#include <optional>
#include <string_view>

#include "scope/display_render.h"
#include "storage/bmp_file.h"
#include "storage/data_file.h"

namespace corvane {
namespace {

constexpr const char* kUsage =
    "usage: corvane-cli render FILE.DSO OUT.bmp [--grid board|cross|full] "
    "[--cursors none|time|voltage|pair]";

int usage() {
  std::fprintf(stderr, "%s\n", kUsage);
  return 2;
}

int fileError(const std::string& path, const std::string& message) {
  std::fprintf(stderr, "corvane-cli: %s: %s\n", path.c_str(), message.c_str());
  return 1;
}

}  // namespace

int renderCommand(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  std::optional<GridKind> grid;
  CursorType cursors = CursorType::None;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    std::string_view value;
    std::string_view option;
    if (arg.rfind("--", 0) == 0) {
      const auto eq = arg.find('=');
      option = arg.substr(0, eq);
      if (eq != std::string_view::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return usage();
      }
      if (option == "--grid") {
        grid = parseGridKindName(value);
        if (!grid) return usage();
      } else if (option == "--cursors") {
        auto type = parseCursorTypeName(value);
        if (!type) return usage();
        cursors = *type;
      } else {
        return usage();
      }
    } else {
      files.emplace_back(arg);
    }
  }
  if (files.size() != 2) return usage();

  const ReadDataResult record = readDataFile(files[0]);
  if (!record.status) return fileError(files[0], record.status.message);
  const DisplayBitmap picture = renderRecordPicture(record.block, grid, cursors);
  const FileStatus written =
      writeBmpFile(files[1], DisplayBitmap::width(), DisplayBitmap::height(), picture.data());
  if (!written) {
    std::fprintf(stderr, "corvane-cli: %s\n", written.message.c_str());
    return 1;
  }
  return 0;
}

}  // namespace corvane
