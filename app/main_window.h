// The main window: a multiple-document frame around up to eleven scope windows, the status bar,
// the menus, and the acquisition session it owns. It is the session's ProtocolHost and
// SessionFocusHost and the scope windows' ScopeHost, forwarding each call to the widget or the
// core piece that decides it.
//
// main_window.cpp: construction, component names, menus and link choice, Control, enabled state.
// main_window_status.cpp: the status bar, its texts at a human rate and the link health section.
// main_window_files.cpp: the slot table and the File commands.
// main_window_startup.cpp: first show and closing.
// main_window_hosts.cpp: the ProtocolHost, SessionFocusHost and ScopeHost calls.
// main_window_names.cpp: the component-name table of the menus, toolbars and status bar.
// measurements_panel.cpp: the Measurements dock, which the hosts' calls keep up to date.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/command_state.h"
#include "link/ftdi_backend.h"
#include "link/serial_os.h"
#include "protocol/acquisition_session.h"
#include "protocol/capture_file.h"
#include "protocol/control_vocabulary.h"
#include "scope/widgets/scope_host.h"
#include "storage/program_settings.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;
class QTimer;

namespace corvane {

class ControlMenu;
class ControlToolbars;
class MainMenus;
class MeasurementsPanel;
class ScopeWindow;
class UiServices;

// Where the main window finds its files and devices; tests point all of it elsewhere.
struct MainWindowConfig {
  std::string settingsDir;                 // KV2040.ini and the OSCTEMP pair
  std::filesystem::path captureDirectory;  // "Test.BMP"; empty: the current working directory
  std::string helpFile;                    // the user manual opened by Help
  // The USB backend for the loaded settings; null: the kernel's FTDI tty backend.
  std::function<std::unique_ptr<FtdiBackend>(const ProgramSettings&)> makeUsbBackend;
  SerialOs* serialOs = nullptr;       // null: the real termios driver
  TimerService* timers = nullptr;     // null: Qt timers, and Qt notifiers for readiness
  IoWatchService* watches = nullptr;  // with `timers`: readiness (null: the links poll)
};

class MainWindow : public QMainWindow,
                   public ProtocolHost,
                   public SessionFocusHost,
                   public ScopeHost {
 public:
  static constexpr int kSlotCount = 11;

  MainWindow(MainWindowConfig config, UiServices& ui, QWidget* parent = nullptr);
  ~MainWindow() override;

  // --- The window slots.
  // Opens a scope window in the lowest free slot; -1 (nothing opened) when all are in use.
  int openScopeWindow();
  ScopeWindow* scopeWindow(int slot) const;
  // The window last activated, and the one the next WaveformBlock goes to.
  int activeSlot() const { return activeSlot_; }
  int targetSlot() const { return targetSlot_; }
  bool slotInUse(int slot) const;

  // --- Menu and toolbar commands.
  void newScopeWindow();
  void openDataFile();
  // Opens a data file (and its notes) in a new scope window, as File Open does once the file is
  // chosen; a file that cannot be read gets File Open's message.
  void openFile(const std::string& name);
  void saveDataFile();
  void print();
  void showPrinterSetup();
  void editColors();
  void exitProgram();
  void chooseUsbLink();
  void chooseSerialLink();
  void editPortSettings();
  void showAbout();
  void showHelp();
  // View: every scope window's display at 1, 2 or 3 pixels per bitmap pixel, kept in the
  // settings; one step larger or smaller.
  void setDisplayScale(int scale);
  void enlargeDisplay();
  void reduceDisplay();
  // File > "Log Measurements…": starts a measurement log in a chosen file, or stops it.
  void toggleMeasurementLog();
  // Windows > "Measurements": shows or hides the Measurements dock.
  void toggleMeasurementsPanel();
  // A Control menu entry or toolbar command: sent (parked while the loop runs); Auto Set also
  // lengthens the reply time-out, Math > Arithmetic also sets the target window's mode.
  void perform(const ControlCommand& command);
  // A toolbar's application button: the File, Config or About command of that name.
  void runCommand(CommandId command);

  AcquisitionSession& session() { return *session_; }
  // The program's printer: the print dialog chooses it, "P&rint Setup" sets it up, the report
  // prints on it.
  QPrinter& printer() { return *printer_; }
  const ProgramSettings& settings() const { return settings_; }
  ProgramSettings& settings() { return settings_; }
  MainMenus& menus() { return *menus_; }
  ControlMenu& controlMenu() { return *controlMenu_; }
  ControlToolbars& toolbars() { return *toolbars_; }
  MeasurementsPanel& measurementsPanel() { return *measurementsPanel_; }
  const CommandState& commandState() const { return commandState_; }
  // The status bar's "FrameRate = " label.
  QLabel* frameRateLabel() const { return frameRateLabel_; }
  // The status bar's link health section, and the timer that ages its last reply while a link is
  // open.
  QLabel* linkHealthLabel() const { return linkHealthLabel_; }
  const QTimer* linkHealthTick() const { return linkHealthTick_; }

  // --- ProtocolHost.
  void showError(std::string_view text) override;
  void showErrorDetail(std::string_view text, std::string_view detail) override;
  void showInformation(std::string_view text) override;
  void setTxStr(std::string_view text) override;
  void setTXTot(std::string_view text) override;
  void setRXTot(std::string_view text) override;
  void setFrameRateText(std::string_view text) override;
  void EnableCommandControls(bool enable) override;
  void ShowCapturedImage(const std::filesystem::path& file) override;
  void ReceiveBlock(const WaveformBlock& block) override;
  bool captureButtonEnabled() const override;
  void setCaptureButtonEnabled(bool enable) override;
  void resetRunButton() override;
  void loopStopped(int window) override;
  void linkHealthChanged() override;

  // --- SessionFocusHost.
  bool anyScopeWindowInUse() const override;
  void focusHiddenEdit() override;

  // --- ScopeHost.
  void SendPosition(uint16_t value, int kind) override;
  void SendSetting(uint16_t value, uint16_t code) override;
  bool LoadFinished() const override;
  bool LoadSetup(int slot, std::function<void()> finished) override;
  void setScopeWindowsEnabled(bool enable) override;
  bool loopRunning() const override;
  void startLoop(int slot) override;
  void stopLoop() override;
  void activateWindow(int slot) override;
  void EnableScopeCommands() override;
  void pageChanged(int slot, int page) override;
  void scopeWindowClosed(int slot) override;
  const DisplayColors& colors() const override { return colors_; }
  bool captureScreen(int slot) override;
  std::span<const uint8_t> captureBuffer() const override;
  std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
  void showFileError(std::string_view text) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Slot {
    bool inUse = false;
    QPointer<ScopeWindow> window;
    QPointer<QMdiSubWindow> frame;
  };

  void buildStatusBar();
  void nameComponents();
  void restoreAtFirstShow();
  void showLinkChoice();
  void applyCommandState();
  // Boxes the session asks for are shown from the event loop after the call that asked has
  // returned; an identical box already waiting or open is not stacked on it.
  struct Box {
    bool error = false;
    QString text;
    QString detail;
    bool operator==(const Box&) const = default;
  };
  void postBox(Box box);
  void showNextBox();
  // The window a capture's results belong to: the one that asked, else the target window.
  ScopeWindow* captureWindow() const;
  // The status bar's texts at a human rate: at most one repaint per kStatusIntervalMs, the last
  // text always shown.
  void setStatusText(QLabel* label, QString text);
  void flushStatusTexts();
  // The health section from the session's linkHealth(), with its words as tooltip and accessible
  // name; ages once a second while the link is open and has replied.
  void paintLinkHealth();
  std::string settingsPath() const;
  DisplayColors colorsFromSettings() const;
  PortSettings portSettings() const;

  MainWindowConfig config_;
  UiServices& ui_;
  ProgramSettings settings_;
  DisplayColors colors_;
  std::unique_ptr<TimerService> ownTimers_;
  std::unique_ptr<IoWatchService> ownWatches_;
  DirectoryCaptureWriter captureWriter_;
  std::unique_ptr<AcquisitionSession> session_;
  std::unique_ptr<QPrinter> printer_;
  std::function<void()> loadFinished_;

  QMdiArea* mdi_ = nullptr;
  MainMenus* menus_ = nullptr;
  ControlMenu* controlMenu_ = nullptr;
  ControlToolbars* toolbars_ = nullptr;
  MeasurementsPanel* measurementsPanel_ = nullptr;
  QLabel* lastTransferCaption_ = nullptr;
  QLabel* lastSentLabel_ = nullptr;   // the last frame sent
  QLabel* frameRateLabel_ = nullptr;  // "FrameRate = " and the loop's rate
  QLabel* txTotalLabel_ = nullptr;
  QLabel* rxTotalLabel_ = nullptr;
  QLabel* linkHealthLabel_ = nullptr;
  QTimer* linkHealthTick_ = nullptr;
  bool linkHealthDirty_ = false;
  // Zero height, only there to hold the keyboard focus while no scope window is open, so the
  // menus' Ctrl shortcuts reach the window. No text box: its copy and cut would shadow Ctrl+C
  // and Ctrl+X.
  QWidget* keyboardFocus_ = nullptr;

  static constexpr int kStatusIntervalMs = 100;
  QTimer* statusTimer_ = nullptr;
  std::vector<std::pair<QLabel*, QString>> pendingStatus_;
  std::vector<Box> boxesWaiting_;  // the first one is on screen while boxShowing_
  bool boxShowing_ = false;

  std::array<Slot, kSlotCount> slots_;
  int activeSlot_ = 0;
  int targetSlot_ = 0;
  bool firstShowPending_ = true;
  bool closing_ = false;
  CommandState commandState_;
};

}  // namespace corvane
