#include "cli/report/report_command.h"

#include <QGuiApplication>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "print/report_content.h"
#include "print/report_renderer.h"
#include "storage/data_file.h"

namespace corvane {
namespace {

constexpr const char* kUsage =
    "usage: corvane-cli report FILE.DSO OUT.pdf [--notes FILE.TXT] [--no-scope] [--no-notes]";

int usage() {
  std::fprintf(stderr, "%s\n", kUsage);
  return 2;
}

int fileError(const std::string& message) {
  std::fprintf(stderr, "corvane-cli: %s\n", message.c_str());
  return 1;
}

// Fonts and the PDF writer need a QGuiApplication; without a display the offscreen platform
// serves, unless the environment names a platform of its own.
std::unique_ptr<QGuiApplication> guiApplication() {
  if (QCoreApplication::instance()) return nullptr;
  static int argc = 3;
  static char arg0[] = "corvane-cli", arg1[] = "-platform", arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) argc = 1;
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int reportCommand(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  std::string notesPath;
  bool notesGiven = false;
  PrintOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--no-scope") {
      options.waveFormPrint = false;
    } else if (arg == "--no-notes") {
      options.notesPrint = false;
    } else if (arg == "--notes") {
      if (i + 1 >= args.size() || notesGiven) return usage();
      notesPath = args[++i];
      notesGiven = true;
    } else if (arg.rfind("--", 0) == 0) {
      return usage();
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) return usage();

  const ReadDataResult record = readDataFile(files[0]);
  if (!record.status)
    return fileError((record.status.wrongSize ? files[0] + ": " : "") + record.status.message);
  if (!notesGiven) notesPath = notesFileName(files[0]);
  const ReadNotesResult notes = readNotesFile(notesPath);
  if (!notes.status) return fileError(notes.status.message);
  // A data file without a notes file opens with empty notes; a named one must exist.
  if (!notes.lines && notesGiven) return fileError(corvane::fileError(notesPath, ENOENT).message);

  const auto app = guiApplication();
  const ReportContent content = makeReportContent(
      record.block, notes.lines.value_or(std::vector<std::string>{}), currentTimeOfDayText());
  const QByteArray pdf = reportPdf(content, options);
  if (pdf.isEmpty()) return fileError(files[1] + ": the PDF could not be produced");
  const FileStatus written =
      writeFileReplacing(files[1], std::string_view(pdf.constData(), std::size_t(pdf.size())));
  if (!written) return fileError(written.message);
  return 0;
}

}  // namespace corvane
