// corvane: one main window per user session. A second start hands its data files to the running
// program, or without files says that Corvane is already running and ends.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/main_window.h"
#include "app/program_icon.h"
#include "app/single_instance.h"
#include "app/ui_services.h"
#include "app/user_manual.h"
#include "storage/program_settings.h"

namespace {

constexpr const char* kUsage =
    "usage: corvane [OPTION...] [FILE.DSO...]\n"
    "Remote control, display, measurement and storage for the KV2040 oscilloscope.\n"
    "\n"
    "  FILE.DSO          open each data file in a new scope window, as File Open does;\n"
    "                    when Corvane already runs, the running program opens them\n"
    "  -h, --help        print this help and exit\n"
    "  -v, --version     print the version and exit\n"
    "  --                end of options: every later argument is a file\n"
    "\n"
    "Qt's options, among them:\n"
    "  -platform NAME    windowing system plugin: xcb, wayland, offscreen\n"
    "  -display DISPLAY  X display to use (xcb)\n"
    "  -style NAME       widget style, e.g. Fusion\n"
    "  -reverse          right-to-left layout\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/corvane/KV2040.ini (~/.config/corvane/ when unset).\n";

// --help and --version answer before Qt starts, so they need no display.
int earlyAnswer(int argc, char** argv) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
      std::printf("corvane %s\n", CORVANE_VERSION);
      return 0;
    }
  }
  return -1;
}

void openFiles(corvane::MainWindow& main, const QStringList& files) {
  for (const QString& file : files) main.openFile(QFile::encodeName(file).toStdString());
}

}  // namespace

int main(int argc, char** argv) {
  if (int answered = earlyAnswer(argc, argv); answered >= 0) return answered;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
  QApplication::setWindowIcon(corvane::programIcon());
  // Arial where the desktop has it, otherwise its metric twin.
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));

  // Qt has taken its own options out of the arguments; what is left are files.
  QStringList files;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == QStringLiteral("--")) {
      files += args.mid(i + 1);
      break;
    }
    if (args[i].startsWith(QLatin1Char('-')) && args[i].size() > 1) {
      std::fprintf(stderr, "corvane: unknown option '%s'\n%s", qPrintable(args[i]), kUsage);
      return 2;
    }
    files << args[i];
  }
  for (QString& file : files) file = QFileInfo(file).absoluteFilePath();

  corvane::SingleInstanceLock lock;
  if (!lock.acquired()) {
    if (corvane::FileHandOver::send(files)) return 0;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Corvane"),
                    QString::fromLatin1(corvane::kAlreadyRunningText), QMessageBox::Ok);
    box.exec();
    return 1;
  }

  // Serve hand-overs before the main window exists: its start may wait in a message box, and
  // files handed over meanwhile open with the command line's once it is shown.
  corvane::MainWindow* window = nullptr;
  QStringList pending = files;
  corvane::FileHandOver handOver([&window, &pending](const QStringList& handed) {
    if (window == nullptr) {
      pending += handed;
      return;
    }
    openFiles(*window, handed);
    window->raise();
    window->QWidget::activateWindow();  // not the scope-slot overload
  });
  handOver.listen();  // without it a second start just says that Corvane runs

  corvane::QtUiServices ui;
  corvane::MainWindowConfig config;
  config.settingsDir = corvane::settingsDirectory();
  config.helpFile =
      corvane::findUserManual(QFile::encodeName(QApplication::applicationDirPath()).toStdString())
          .string();
  corvane::MainWindow main(std::move(config), ui);
  // Without a window manager nothing maximizes a window: give it the screen's work area first.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    main.setGeometry(screen->availableGeometry());
  }
  main.showMaximized();
  window = &main;
  // After the first show has restored the last record, so the files given end up on top.
  QTimer::singleShot(0, &main, [&main, &pending] {
    openFiles(main, pending);
    pending.clear();
  });
  return app.exec();
}
