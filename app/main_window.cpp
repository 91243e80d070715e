#include "app/main_window.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QTimer>
#include <QToolBar>

#include "app/control_commands.h"
#include "app/main_menus.h"
#include "app/measurements_panel.h"
#include "app/qt_timer_service.h"
#include "app/ui_services.h"
#include "link/ftdi_sio_backend.h"
#include "scope/widgets/scope_window.h"

namespace corvane {
namespace {

std::unique_ptr<FtdiBackend> kernelUsbBackend(const ProgramSettings& settings) {
  FtdiSioConfig config;
  config.devicePath = settings.usbDevice;
  return std::make_unique<FtdiSioBackend>(std::move(config));
}

}  // namespace

MainWindow::MainWindow(MainWindowConfig config, UiServices& ui, QWidget* parent)
    : QMainWindow(parent),
      config_(std::move(config)),
      ui_(ui),
      // Creation step 1: the settings, before anything opens a port.
      settings_(loadProgramSettings(settingsPath())),
      colors_(colorsFromSettings()),
      captureWriter_(config_.captureDirectory),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  setWindowTitle(QStringLiteral("Corvane "));
  setFont(QFont(QStringLiteral("Arial"), -1));
  QFont f = font();
  f.setPixelSize(12);
  setFont(f);
  resize(577 + 40, 384 + 80);

  TimerService* timers = config_.timers;
  IoWatchService* watches = config_.watches;
  if (timers == nullptr) {
    ownTimers_ = std::make_unique<QtTimerService>();
    timers = ownTimers_.get();
    ownWatches_ = std::make_unique<QtIoWatchService>();
    watches = ownWatches_.get();
  }
  auto usbBackend =
      config_.makeUsbBackend ? config_.makeUsbBackend(settings_) : kernelUsbBackend(settings_);
  SerialOs& serialOs = config_.serialOs ? *config_.serialOs : PosixSerialOs::instance();
  // Step 2, the counters and link state, start at zero with the session.
  session_ = std::make_unique<AcquisitionSession>(*timers, *this, captureWriter_,
                                                  std::move(usbBackend), serialOs, watches);
  session_->setFocusHost(this);
  session_->setOnLoadFinished([this](bool) {
    if (auto done = std::exchange(loadFinished_, nullptr)) done();
    applyCommandState();
  });
  session_->serialPort().setPortDevices(settings_.comPorts);

  mdi_ = new QMdiArea(this);
  mdi_->setBackground(QColor(0x80, 0x80, 0x80));
  setCentralWidget(mdi_);
  connect(mdi_, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* frame) {
    if (frame == nullptr) return;
    if (auto* child = qobject_cast<ScopeWindow*>(frame->widget())) child->becomeActive();
  });
  menus_ = new MainMenus(*this, *mdi_);
  controlMenu_ = new ControlMenu(*this, *menus_);
  toolbars_ = new ControlToolbars(*this, *menus_);
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
  measurementsPanel_ = new MeasurementsPanel(ui_, this);
  measurementsPanel_->setLogAction(menus_->logMeasurementsAction);
  addDockWidget(Qt::RightDockWidgetArea, measurementsPanel_);
  resizeDocks({measurementsPanel_}, {measurementsPanel_->sizeHint().width()}, Qt::Horizontal);
  // Only the entry is used: the dock also reports its hiding while the main window is destroyed.
  QAction* panelEntry = menus_->measurementsPanelAction;
  connect(measurementsPanel_, &QDockWidget::visibilityChanged, panelEntry,
          [panelEntry](bool visible) { panelEntry->setChecked(visible); });
  menus_->measurementsPanelAction->setChecked(true);
  buildStatusBar();
  nameComponents();

  // Steps 3 to 5: the serial port, the USB device, the frame rate label.
  session_->startUp(portSettings());
  showLinkChoice();
  applyCommandState();
}

MainWindow::~MainWindow() {
  // The scope windows call back into this window while they close.
  for (Slot& s : slots_) {
    if (s.frame) delete s.frame.data();
  }
}

std::string MainWindow::settingsPath() const {
  return (std::filesystem::path(config_.settingsDir) / kSettingsFileName).string();
}

PortSettings MainWindow::portSettings() const {
  return PortSettings{settings_.port, settings_.baud, settings_.parity, settings_.stopBits};
}

// Only the 24 colour bits are drawn; the slots keep what the file held, to write it back as it was.
DisplayColors MainWindow::colorsFromSettings() const {
  const auto& c = settings_.colors;
  return DisplayColors{c[0] & 0xFFFFFFu, c[1] & 0xFFFFFFu, c[2] & 0xFFFFFFu, c[3] & 0xFFFFFFu,
                       c[4] & 0xFFFFFFu, c[5] & 0xFFFFFFu, c[6] & 0xFFFFFFu};
}

// ---------------------------------------------------------------- Config, About

void MainWindow::showLinkChoice() {
  menus_->showLinkChoice(session_->linkChoice().usbChosen, session_->linkChoice().usbAvailable);
}

void MainWindow::chooseUsbLink() {
  session_->chooseUsbLink();
  showLinkChoice();
}

void MainWindow::chooseSerialLink() {
  session_->chooseSerialLink();
  showLinkChoice();
}

void MainWindow::editPortSettings() {
  const PortChoice current{portSettings(), {settings_.comPorts, settings_.usbDevice}};
  if (std::optional<PortChoice> chosen = ui_.commPortSettings(this, current)) {
    settings_.port = chosen->settings.portIndex;
    settings_.baud = chosen->settings.baudIndex;
    settings_.parity = chosen->settings.parityIndex;
    settings_.stopBits = chosen->settings.stopBitsIndex;
    // The devices are stored at once, so `corvane-cli ports` names them while this runs.
    settings_.comPorts = chosen->devices.comPorts;
    session_->serialPort().setPortDevices(settings_.comPorts);
    const bool usbChanged = chosen->devices.usbDevice != settings_.usbDevice;
    settings_.usbDevice = chosen->devices.usbDevice;
    const FileStatus saved = saveDeviceSettings(settingsPath(), settings_);
    if (!saved) {
      showFileError(saved.message);
    } else if (usbChanged) {
      // The USB link keeps the device it was built with.
      showInformation("The USB bridge's new device is used from the next start.");
    }
  }
  session_->applyPortSettings(portSettings());
}

void MainWindow::showAbout() {
  ui_.showAbout(this);
}

void MainWindow::showHelp() {
  const QString path = QString::fromStdString(config_.helpFile);
  if (!QFileInfo::exists(path)) {
    ui_.showInformation(this, "The user manual is missing: " + path);
    return;
  }
  if (!ui_.openWithDesktop(path)) {
    ui_.showInformation(this, "No viewer could open the user manual: " + path);
  }
}

void MainWindow::toggleMeasurementLog() {
  measurementsPanel_->toggleLog();
}

void MainWindow::toggleMeasurementsPanel() {
  measurementsPanel_->setVisible(!measurementsPanel_->isVisible());
}

// ---------------------------------------------------------------- Control

void MainWindow::perform(const ControlCommand& command) {
  performControlCommand(command, *session_);
  if (command.effect == ControlEffect::kArithmeticMode) {
    if (ScopeWindow* target = scopeWindow(targetSlot_)) target->setArithmeticMode(command.first);
  }
}

void MainWindow::runCommand(CommandId command) {
  switch (command) {
    case CommandId::kNew:
      newScopeWindow();
      break;
    case CommandId::kOpen:
      openDataFile();
      break;
    case CommandId::kSave:
      saveDataFile();
      break;
    case CommandId::kPrint:
      print();
      break;
    case CommandId::kCommPortSetting:
      editPortSettings();
      break;
    case CommandId::kColorSetting:
      editColors();
      break;
    case CommandId::kAbout:
      showAbout();
      break;
    case CommandId::kHelp:
      showHelp();
      break;
    default:  // the instrument's commands go through perform()
      break;
  }
}

// ---------------------------------------------------------------- enabled state

void MainWindow::applyCommandState() {
  commandState_.loopRunning = session_->loopRunning();
  menus_->applyCommandState(commandState_);
  if (ScopeWindow* active = scopeWindow(activeSlot_)) {
    active->setPageTabsEnabled(!commandState_.transferLocked);
  }
}

}  // namespace corvane
