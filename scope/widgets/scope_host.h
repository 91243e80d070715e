// What a scope window asks of the main window that hosts it. MainWindow implements it; widget tests
// use a fake. Slots are the window's index in the main window's ScopeWindows table (0..10).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "scope/display_colors.h"

namespace corvane {

// A save or open dialog: title, Qt name filter ("Corvane Data (*.DSO)"), default suffix.
struct FileDialogRequest {
  std::string title;
  std::string filter;
  std::string defaultSuffix;
};

inline const FileDialogRequest kDataSaveDialog{"Corvane Data Save", "Corvane Data (*.DSO)", "DSO"};
inline const FileDialogRequest kDataLoadDialog{"Corvane Data Load", "Corvane Data (*.DSO)", "DSO"};
inline const FileDialogRequest kPictureSaveDialog{"Waveform Capture Save", "BMP Files (*.BMP)",
                                                  "BMP"};
inline const FileDialogRequest kCsvExportDialog{"Export CSV", "CSV Files (*.csv)", "csv"};

class ScopeHost {
 public:
  virtual ~ScopeHost() = default;

  // --- Instrument settings. Both park the frame while the real-time loop runs.
  // kind 0..4: contrast, CH1, CH2, trigger position, trigger level.
  virtual void SendPosition(uint16_t value, int kind) = 0;
  virtual void SendSetting(uint16_t value, uint16_t code) = 0;

  // --- "Setup Para.": the main window's LoadFinished flag, and the load itself for the window in
  // `slot` (TargetWindow := slot). Returns false, doing nothing, when it cannot start (a load, a
  // capture or the loop runs). `finished` runs once when the load has ended, after the record (if
  // any) went to the target window's receiveRecord.
  virtual bool LoadFinished() const = 0;
  virtual bool LoadSetup(int slot, std::function<void()> finished) = 0;
  // Enables or disables every open scope window (each slot in use).
  virtual void setScopeWindowsEnabled(bool enable) = 0;

  // --- "RUN"/"STOP": the real-time loop. Starting and stopping also set the
  // enabled state of the main window's seven loop-locked controls. The window in `slot` started
  // the loop; whoever stops it, that window's RUN button is told (setRunButtonStopped).
  virtual bool loopRunning() const = 0;
  virtual void startLoop(int slot) = 0;
  virtual void stopLoop() = 0;

  // --- Activation and pages.
  // ActiveWindow := TargetWindow := slot.
  virtual void activateWindow(int slot) = 0;
  // The Scope page was shown: re-enables the main window's scope command list.
  virtual void EnableScopeCommands() = 0;
  // The window's page changed (0 Scope, 1 ImageView, 2 Notes), for the main window's enabled
  // state.
  virtual void pageChanged(int slot, int page) = 0;
  // The window in `slot` is closing: clear its slot's in-use flag; stop the real-time loop.
  virtual void scopeWindowClosed(int slot) = 0;

  // --- The program-wide colour slots the picture is drawn with.
  virtual const DisplayColors& colors() const = 0;

  // --- Capture and saves (the ImageView page, the popup menu).
  // The "&Capture" path through the session for the window in `slot`, which its end and its
  // time-out report to; false when it could not start.
  virtual bool captureScreen(int slot) = 0;
  // The main window's CaptureBuf (12,197 bytes); "Save &As" writes its first 9,662.
  virtual std::span<const uint8_t> captureBuffer() const = 0;
  // A modal save dialog; nullopt when cancelled.
  virtual std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) = 0;
  // A modal error box with the platform's own file error text.
  virtual void showFileError(std::string_view text) = 0;
};

}  // namespace corvane
