// The main window's modal dialogs and desktop services, behind one interface so that tests run
// the window without a box ever waiting for a click. QtUiServices is the real one.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "app/color_dialog.h"
#include "app/port_dialog.h"
#include "print/widgets/print_options_dialog.h"
#include "protocol/connection_selection.h"
#include "scope/widgets/scope_host.h"

class QPrinter;
class QWidget;

namespace corvane {

class UiServices {
 public:
  virtual ~UiServices() = default;
  // Modal boxes titled "Corvane" with one OK button; an error's detail (the device, the reason
  // and the remedy) stands under its text.
  virtual void showError(QWidget* parent, const QString& text,
                         const QString& detail = QString()) = 0;
  virtual void showInformation(QWidget* parent, const QString& text) = 0;
  // File dialogs; nullopt when cancelled.
  virtual std::optional<std::string> openFileName(QWidget* parent,
                                                  const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> saveFileName(QWidget* parent,
                                                  const FileDialogRequest& request) = 0;
  // "Comm. Port Setup.": the stored indices and devices when closed with "&Close", nullopt from
  // the close box.
  virtual std::optional<PortChoice> commPortSettings(QWidget* parent,
                                                     const PortChoice& current) = 0;
  // "Color Setting" shown modally over the current slots.
  virtual ColorSetResult colorSettings(QWidget* parent, const ColorSlots& colorSlots) = 0;
  // The platform's print dialog and printer-setup dialog on `printer`; false when cancelled.
  virtual bool printDialog(QWidget* parent, QPrinter& printer) = 0;
  virtual bool printerSetup(QWidget* parent, QPrinter& printer) = 0;
  // "Print Data Setup.".
  virtual PrintSetupResult printOptions(QWidget* parent, const PrintOptions& options) = 0;
  virtual void showAbout(QWidget* parent) = 0;
  // Opens a local file with the desktop's viewer; false when nothing could open it.
  virtual bool openWithDesktop(const QString& path) = 0;
};

class QtUiServices : public UiServices {
 public:
  void showError(QWidget* parent, const QString& text, const QString& detail = QString()) override;
  void showInformation(QWidget* parent, const QString& text) override;
  std::optional<std::string> openFileName(QWidget* parent,
                                          const FileDialogRequest& request) override;
  std::optional<std::string> saveFileName(QWidget* parent,
                                          const FileDialogRequest& request) override;
  std::optional<PortChoice> commPortSettings(QWidget* parent, const PortChoice& current) override;
  ColorSetResult colorSettings(QWidget* parent, const ColorSlots& colorSlots) override;
  bool printDialog(QWidget* parent, QPrinter& printer) override;
  bool printerSetup(QWidget* parent, QPrinter& printer) override;
  PrintSetupResult printOptions(QWidget* parent, const PrintOptions& options) override;
  void showAbout(QWidget* parent) override;
  bool openWithDesktop(const QString& path) override;
};

}  // namespace corvane
