// MainWindow in a test: a temporary settings folder, boxes and dialogs answered from a script, the
// serial port on a pseudo-terminal (or the simulator's), a fake FTDI device.
#pragma once

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QApplication>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/ui_services.h"
#include "session_test_support.h"

namespace corvane::apptest {

namespace fs = std::filesystem;

class ScriptedUi : public UiServices {
 public:
  std::vector<std::string> errors, infos, opened;
  std::vector<std::string> errorDetails;  // one per error, empty where it had none
  std::deque<std::optional<std::string>> fileAnswers;
  std::optional<PortSettings> commAnswer;  // with the devices as they are
  // When set, answers the port dialog instead of commAnswer.
  std::function<std::optional<PortChoice>(QWidget*, const PortChoice&)> commDialog;

  // Runs as each error box opens, to see the state it is shown over.
  std::function<void(const std::string&)> onError;
  void showError(QWidget*, const QString& text, const QString& detail = QString()) override {
    errors.push_back(text.toStdString());
    errorDetails.push_back(detail.toStdString());
    if (onError) onError(errors.back());
  }
  void showInformation(QWidget*, const QString& text) override {
    infos.push_back(text.toStdString());
  }
  std::optional<std::string> openFileName(QWidget*, const FileDialogRequest&) override {
    return next();
  }
  std::optional<std::string> saveFileName(QWidget*, const FileDialogRequest&) override {
    return next();
  }
  std::optional<PortChoice> commPortSettings(QWidget* parent, const PortChoice& current) override {
    if (commDialog) return commDialog(parent, current);
    if (!commAnswer) return std::nullopt;
    return PortChoice{*commAnswer, current.devices};
  }
  ColorSetResult colorAnswer;
  ColorSetResult colorSettings(QWidget*, const ColorSlots&) override { return colorAnswer; }
  bool printAnswer = true;
  PrintSetupResult optionsAnswer{{true, true}, true};
  int printDialogs = 0;
  bool printDialog(QWidget*, QPrinter&) override {
    ++printDialogs;
    return printAnswer;
  }
  bool printerSetup(QWidget*, QPrinter&) override { return true; }
  PrintSetupResult printOptions(QWidget*, const PrintOptions&) override { return optionsAnswer; }
  void showAbout(QWidget*) override {}
  bool openWithDesktop(const QString& path) override {
    opened.push_back(path.toStdString());
    return true;
  }

 private:
  std::optional<std::string> next() {
    if (fileAnswers.empty()) return std::nullopt;
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
  }
};

inline std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeAll(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// One main window with its own folder. `comDevice` becomes COM1 in the "Devices" section.
struct MainRig {
  fs::path dir;
  ScriptedUi ui;
  std::shared_ptr<sessiontest::WireFtdiBackend::State> usb =
      std::make_shared<sessiontest::WireFtdiBackend::State>();
  std::unique_ptr<MainWindow> main;

  MainRig() {
    char templ[] = "/tmp/corvane-app-XXXXXX";
    dir = ::mkdtemp(templ);
    usb->present = false;
  }
  ~MainRig() {
    main.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  fs::path file(const std::string& name) const { return dir / name; }

  void writeIni(const std::string& comDevice, const std::string& extra = {}) {
    writeAll(file("KV2040.ini"), "[Devices]\nCOM1=" + comDevice + "\n" + extra);
  }

  MainWindow& start() {
    MainWindowConfig config;
    config.settingsDir = dir.string();
    config.captureDirectory = dir;
    config.helpFile = file("Corvane.html").string();
    auto state = usb;
    config.makeUsbBackend = [state](const ProgramSettings&) {
      return std::make_unique<sessiontest::WireFtdiBackend>(state);
    };
    main = std::make_unique<MainWindow>(std::move(config), ui);
    main->show();
    QApplication::processEvents();
    return *main;
  }
};

// A pseudo-terminal whose slave stands in for a serial port nobody answers on.
struct QuietPort {
  int master = -1, slave = -1;
  std::string path;
  QuietPort() {
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
  }
  ~QuietPort() {
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
  }
};

}  // namespace corvane::apptest
