// corvane: one main window per user session; a second start says so and ends.
#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <QScreen>

#include "app/main_window.h"
#include "app/program_icon.h"
#include "app/single_instance.h"
#include "app/ui_services.h"
#include "storage/program_settings.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  QApplication::setWindowIcon(corvane::programIcon());
  // Arial where the desktop has it, otherwise its metric twin.
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));

  corvane::SingleInstanceLock lock;
  if (!lock.acquired()) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Corvane"),
                    QString::fromLatin1(corvane::kAlreadyRunningText), QMessageBox::Ok);
    box.exec();
    return 1;
  }

  corvane::QtUiServices ui;
  corvane::MainWindowConfig config;
  config.settingsDir = corvane::settingsDirectory();
  config.helpFile =
      (QApplication::applicationDirPath() + QStringLiteral("/Corvane.html")).toStdString();
  corvane::MainWindow main(std::move(config), ui);
  // Without a window manager nothing maximizes a window: give it the screen's work area first.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    main.setGeometry(screen->availableGeometry());
  }
  main.showMaximized();
  return app.exec();
}
