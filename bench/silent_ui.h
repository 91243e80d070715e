// UiServices for the desktop benchmarks: every box is dismissed and every dialog cancelled at once,
// so nothing waits for an operator.
#pragma once

#include "app/ui_services.h"

namespace corvane::bench {

class SilentUi : public UiServices {
 public:
  void showError(QWidget*, const QString&, const QString& = QString()) override {}
  void showInformation(QWidget*, const QString&) override {}
  std::optional<std::string> openFileName(QWidget*, const FileDialogRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> saveFileName(QWidget*, const FileDialogRequest&) override {
    return std::nullopt;
  }
  std::optional<PortChoice> commPortSettings(QWidget*, const PortChoice&) override {
    return std::nullopt;
  }
  ColorSetResult colorSettings(QWidget*, const ColorSlots&) override { return {}; }
  bool printDialog(QWidget*, QPrinter&) override { return false; }
  bool printerSetup(QWidget*, QPrinter&) override { return false; }
  PrintSetupResult printOptions(QWidget*, const PrintOptions& o) override { return {o, false}; }
  void showAbout(QWidget*) override {}
  bool openWithDesktop(const QString&) override { return false; }
};

}  // namespace corvane::bench
