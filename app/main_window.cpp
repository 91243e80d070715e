#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>

#include "app/control_commands.h"
#include "app/main_menus.h"
#include "app/qt_timer_service.h"
#include "app/ui_services.h"
#include "link/ftdi_sio_backend.h"
#include "print/report_renderer.h"
#include "scope/widgets/scope_window.h"
#include "scope/widgets/widget_names.h"
#include "storage/data_file.h"

namespace corvane {
namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("Corvane "));
  setFont(QFont(QStringLiteral("Arial"), -1));
  QFont f = font();
  f.setPixelSize(12);
  setFont(f);
  resize(577 + 40, 384 + 80);

  TimerService* timers = config_.timers;
  if (timers == nullptr) {
    ownTimers_ = std::make_unique<QtTimerService>();
    timers = ownTimers_.get();
  }
  auto usbBackend =
      config_.makeUsbBackend ? config_.makeUsbBackend(settings_) : kernelUsbBackend(settings_);
  SerialOs& serialOs = config_.serialOs ? *config_.serialOs : PosixSerialOs::instance();
  // Step 2, the counters and link state, start at zero with the session.
  session_ = std::make_unique<AcquisitionSession>(*timers, *this, captureWriter_,
                                                  std::move(usbBackend), serialOs);
  session_->setFocusHost(this);
  session_->setOnLoadFinished([this](bool) {
    if (auto done = std::exchange(loadFinished_, nullptr)) done();
    applyCommandState();
  });
  session_->COMM().setPortDevices(settings_.comPorts);

  mdi_ = new QMdiArea(this);
  mdi_->setObjectName(QStringLiteral("ClientArea"));
  mdi_->setBackground(QColor(0x80, 0x80, 0x80));
  setCentralWidget(mdi_);
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* frame) {
    if (frame == nullptr) return;
    if (auto* child = qobject_cast<ScopeWindow*>(frame->widget())) child->FormActivate();
  });
  menus_ = new MainMenus(*this, *mdi_);
  controlMenu_ = new ControlMenu(*this, *menus_);
  toolbars_ = new ControlToolbars(*this, *menus_);
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
  buildStatusBar();

  // Steps 3 to 5: the serial port, the USB device, Label1.
  session_->startUp(portSettings());
  menus_->showLinkChoice(session_->linkChoice().USB1Checked, session_->linkChoice().USB1Enabled);
  applyCommandState();
}

MainWindow::~MainWindow() {
  // The scope windows call back into this window while they close.
  for (Slot& s : ScopeWindows_) {
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

void MainWindow::buildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setFixedHeight(19);
  bar->setSizeGripEnabled(false);
  auto* caption = new QLabel(QStringLiteral("Last Transfer."), bar);
  nameWidget(caption, "StaticText1");
  // Edit1: zero height, only there to hold the keyboard focus while no scope window is open, so
  // the menus' Ctrl shortcuts reach the window. No text box: its copy and cut would shadow Ctrl+C
  // and Ctrl+X.
  Edit1_ = new QWidget(caption);
  nameWidget(Edit1_, "Edit1");
  Edit1_->setAccessibleName(QStringLiteral("Keyboard commands"));
  Edit1_->setFocusPolicy(Qt::StrongFocus);
  Edit1_->setGeometry(0, 0, 1, 0);
  bar->addWidget(caption);

  auto* txPanel = new QFrame(bar);
  txPanel->setFrameShape(QFrame::Panel);
  txPanel->setFrameShadow(QFrame::Sunken);
  auto* txRow = new QHBoxLayout(txPanel);
  txRow->setContentsMargins(3, 0, 3, 0);
  TxStr_ = new QLabel(txPanel);
  nameWidget(TxStr_, "TxStr");
  Label1_ = new QLabel(txPanel);
  nameWidget(Label1_, "Label1");
  txRow->addWidget(TxStr_, 1);
  txRow->addWidget(Label1_);
  bar->addWidget(txPanel, 3);

  auto addTotal = [&](const char* name, const QString& captionText) {
    auto* label = new QLabel(captionText, bar);
    bar->addWidget(label);
    auto* value = new QLabel(bar);
    nameWidget(value, name);
    value->setFrameShape(QFrame::Panel);
    value->setFrameShadow(QFrame::Sunken);
    value->setMinimumWidth(90);
    bar->addWidget(value, 1);
    return value;
  };
  TXTot_ = addTotal("TXTot", QStringLiteral("TX"));
  RXTot_ = addTotal("RXTot", QStringLiteral("RX"));
}

QString MainWindow::txStrText() const {
  return TxStr_->text();
}
QString MainWindow::txTotText() const {
  return TXTot_->text();
}
QString MainWindow::rxTotText() const {
  return RXTot_->text();
}

// ---------------------------------------------------------------- first show and closing

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (FirstShow_) {
    FirstShow_ = false;
    firstShow();
  }
}

void MainWindow::firstShow() {
  const StartupRecord startup = readStartupRecord(config_.settingsDir);
  const WaveformBlock* restored = nullptr;
  switch (startup.kind) {
    case StartupRecord::Kind::NoFile:
      New1Click();
      break;
    case StartupRecord::Kind::Refused:
      showError(startup.message);
      break;
    case StartupRecord::Kind::Loaded: {
      const int slot = OpenScopeWindow();
      if (slot >= 0) {
        ActiveWindow_ = TargetWindow_ = slot;
        ScopeWindow* child = scopeWindow(slot);
        child->ReceiveBlock(startup.block);
        if (startup.notes) child->setNotesLines(*startup.notes);
        restored = &startup.block;
      }
      break;
    }
  }
  // Timer2 starts and the link is chosen from the restored record.
  session_->firstShow(restored);
  menus_->showLinkChoice(session_->linkChoice().USB1Checked, session_->linkChoice().USB1Enabled);
}

void MainWindow::Exit1Click() {
  session_->requestExit();
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  closing_ = true;
  session_->requestExit();
  session_->stopLoop();
  // Each step runs whatever the one before it met, so a record that cannot be written never
  // costs the settings.
  if (ScopeWindow* active = scopeWindow(ActiveWindow_)) {
    const FileStatus written =
        writeExitRecord(config_.settingsDir, active->record(), active->notesLines());
    if (!written) showFileError(written.message);
  }
  const FileStatus saved = saveProgramSettings(settingsPath(), settings_);
  if (!saved) showFileError(saved.message);
  session_->closeAtExit();
  event->accept();
}

// ---------------------------------------------------------------- slots

int MainWindow::OpenScopeWindow() {
  int slot = 0;
  while (slot < kSlotCount && ScopeWindows_[static_cast<std::size_t>(slot)].inUse) ++slot;
  if (slot == kSlotCount) return -1;
  Slot& s = ScopeWindows_[static_cast<std::size_t>(slot)];
  s.inUse = true;
  auto* child = new ScopeWindow(*this, slot);
  child->setWindowTitle(QStringLiteral("Corvane - %1").arg(slot + 1));
  QMdiSubWindow* frame =
      mdi_->addSubWindow(child, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                    Qt::WindowMinimizeButtonHint);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  frame->setWindowIcon(windowIcon());
  s.window = child;
  s.frame = frame;
  child->show();
  frame->show();
  return slot;
}

ScopeWindow* MainWindow::scopeWindow(int slot) const {
  if (!slotInUse(slot)) return nullptr;
  return ScopeWindows_[static_cast<std::size_t>(slot)].window.data();
}

bool MainWindow::slotInUse(int slot) const {
  return slot >= 0 && slot < kSlotCount && ScopeWindows_[static_cast<std::size_t>(slot)].inUse;
}

// ---------------------------------------------------------------- File

void MainWindow::New1Click() {
  const int slot = OpenScopeWindow();
  if (slot < 0) return;
  ActiveWindow_ = TargetWindow_ = slot;
}

void MainWindow::Load1Click() {
  const std::optional<std::string> name = ui_.openFileName(this, kDataLoadDialog);
  if (name) openDataFile(*name);
}

void MainWindow::openDataFile(const std::string& name) {
  const ReadDataResult read = readDataFile(name);
  if (!read.status) {
    if (read.status.wrongSize) {
      showError(read.status.message);
    } else {
      showFileError(read.status.message);
    }
    return;
  }
  const int slot = OpenScopeWindow();
  if (slot < 0) return;
  ActiveWindow_ = TargetWindow_ = slot;
  ScopeWindow* child = scopeWindow(slot);
  child->setWindowTitle(QString::fromStdString(name));
  child->ReceiveBlock(read.block);
  const ReadNotesResult notes = readNotesFile(notesFileName(name));
  if (!notes.status) {
    showFileError(notes.status.message);
  } else if (notes.lines) {
    child->setNotesLines(*notes.lines);
  }
}

void MainWindow::Save1Click() {
  ScopeWindow* child = scopeWindow(ActiveWindow_);
  if (child == nullptr) return;
  const std::optional<std::string> name = ui_.saveFileName(this, kDataSaveDialog);
  if (!name) return;
  FileStatus status = writeDataFile(*name, child->record());
  if (status) status = writeNotesFile(notesFileName(*name), child->notesLines());
  if (!status) {
    showFileError(status.message);
    return;
  }
  child->setWindowTitle(QString::fromStdString(*name));
}

// The report prints on the printer chosen in the print dialog, and with no scope window open
// there is nothing to print, so no dialog opens.
void MainWindow::Print1Click() {
  ScopeWindow* active = scopeWindow(ActiveWindow_);
  if (active == nullptr) return;
  if (!ui_.printDialog(this, *printer_)) return;
  const PrintSetupResult chosen =
      ui_.printOptions(this, PrintOptions{settings_.waveFormPrint, settings_.notesPrint});
  settings_.waveFormPrint = chosen.options.waveFormPrint;
  settings_.notesPrint = chosen.options.notesPrint;
  if (!chosen.print) return;
  ReportContent content;
  content.picture = active->displayBitmap();
  content.colors = colors_;
  content.status = active->scopeInformation();
  content.measurements = active->measurements();
  content.XYFormat = active->record().XYFormat();
  content.Ch1Probe = active->record().Ch1Probe();
  content.Ch2Probe = active->record().Ch2Probe();
  content.notes = active->notesLines();
  content.timeText = currentTimeOfDayText();
  if (!printReport(*printer_, content, chosen.options)) {
    showError("The report could not be printed on " + printer_->printerName().toStdString() + ".");
  }
}

void MainWindow::PrintSetup1Click() {
  ui_.printerSetup(this, *printer_);
}

void MainWindow::ColorSetting1Click() {
  const ColorSetResult result = ui_.colorSettings(this, settings_.colors);
  if (result.defaultsApplied) settings_.colors = kDefaultColorSlots;
  if (result.closed) settings_.colors = *result.closed;
  colors_ = colorsFromSettings();
  for (Slot& s : ScopeWindows_) {
    if (s.inUse && s.window) s.window->RedrawDisplay();
  }
}

// ---------------------------------------------------------------- Control

void MainWindow::perform(const ControlCommand& command) {
  performControlCommand(command, *session_);
  if (command.effect == ControlEffect::kArithmeticMode) {
    if (ScopeWindow* target = scopeWindow(TargetWindow_)) target->SetArithmeticMode(command.first);
  }
}

void MainWindow::runAppAction(AppAction action) {
  switch (action) {
    case AppAction::kNew:
      New1Click();
      break;
    case AppAction::kOpen:
      Load1Click();
      break;
    case AppAction::kSave:
      Save1Click();
      break;
    case AppAction::kPrint:
      Print1Click();
      break;
    case AppAction::kCommPortSetting:
      CommPortSetting1Click();
      break;
    case AppAction::kColorSetting:
      ColorSetting1Click();
      break;
    case AppAction::kAbout:
      About1Click();
      break;
    case AppAction::kHelp:
      Help1Click();
      break;
  }
}

// ---------------------------------------------------------------- Config, About

void MainWindow::USB1Click() {
  session_->USB1Click();
  menus_->showLinkChoice(session_->linkChoice().USB1Checked, session_->linkChoice().USB1Enabled);
}

void MainWindow::Com1Click() {
  session_->Com1Click();
  menus_->showLinkChoice(session_->linkChoice().USB1Checked, session_->linkChoice().USB1Enabled);
}

void MainWindow::CommPortSetting1Click() {
  if (std::optional<PortSettings> chosen = ui_.commPortSettings(this, portSettings())) {
    settings_.port = chosen->portIndex;
    settings_.baud = chosen->baudIndex;
    settings_.parity = chosen->parityIndex;
    settings_.stopBits = chosen->stopBitsIndex;
  }
  session_->ApplyPortSettings(portSettings());
}

void MainWindow::About1Click() {
  ui_.showAbout(this);
}

void MainWindow::Help1Click() {
  const QString path = QString::fromStdString(config_.helpFile);
  if (!QFileInfo::exists(path)) {
    showInformation(("The user manual is missing: " + path).toStdString());
    return;
  }
  if (!ui_.openWithDesktop(path)) {
    showInformation(("No viewer could open the user manual: " + path).toStdString());
  }
}

// ---------------------------------------------------------------- keyboard

// A key never does what its disabled menu entry may not.
void MainWindow::runShortcut(HostShortcut shortcut) {
  QAction* action = nullptr;
  switch (shortcut) {
    case HostShortcut::Help:
      action = menus_->Help1;
      break;
    case HostShortcut::New:
      action = menus_->New1;
      break;
    case HostShortcut::Open:
      action = menus_->Load1;
      break;
    case HostShortcut::Save:
      action = menus_->Save1;
      break;
    case HostShortcut::Print:
      action = menus_->Print1;
      break;
    case HostShortcut::Exit:
      action = menus_->Exit1;
      break;
    case HostShortcut::CommPortSetting:
      action = menus_->CommPortSetting1;
      break;
  }
  if (action->isEnabled()) action->trigger();
}

// ---------------------------------------------------------------- enabled state

void MainWindow::applyCommandState() {
  commandState_.loopRunning = session_->loopRunning();
  menus_->applyCommandState(commandState_);
  if (ScopeWindow* active = scopeWindow(ActiveWindow_)) {
    active->setPageTabsEnabled(!commandState_.transferLocked);
  }
}

void MainWindow::EnableCommandControls(bool enable) {
  commandState_.transferLocked = !enable;
  commandState_.scopeListReenabled = false;
  applyCommandState();
}

void MainWindow::EnableScopeCommands() {
  commandState_.scopeListReenabled = commandState_.transferLocked;
  applyCommandState();
}

void MainWindow::pageChanged(int, int) {
  applyCommandState();
}

// ---------------------------------------------------------------- ProtocolHost

void MainWindow::showError(std::string_view text) {
  ui_.showError(this, qs(text));
}
void MainWindow::showInformation(std::string_view text) {
  ui_.showInformation(this, qs(text));
}
void MainWindow::setTxStr(std::string_view text) {
  TxStr_->setText(qs(text));
}
void MainWindow::setTXTot(std::string_view text) {
  TXTot_->setText(qs(text));
}
void MainWindow::setRXTot(std::string_view text) {
  RXTot_->setText(qs(text));
}
void MainWindow::setLabel1(std::string_view text) {
  Label1_->setText(qs(text));
}

void MainWindow::ShowCapturedImage(const std::filesystem::path& file) {
  if (ScopeWindow* active = scopeWindow(ActiveWindow_)) active->ShowCapturedImage(file);
}

void MainWindow::ReceiveBlock(const WaveformBlock& block) {
  if (ScopeWindow* target = scopeWindow(TargetWindow_)) target->ReceiveBlock(block);
}

bool MainWindow::captureButtonEnabled() const {
  ScopeWindow* target = scopeWindow(TargetWindow_);
  return target != nullptr && target->captureButtonEnabled();
}

void MainWindow::setCaptureButtonEnabled(bool enable) {
  if (ScopeWindow* target = scopeWindow(TargetWindow_)) target->setCaptureButtonEnabled(enable);
}

void MainWindow::resetRunButton() {
  if (ScopeWindow* active = scopeWindow(ActiveWindow_)) active->resetRunButton();
  applyCommandState();
}

// ---------------------------------------------------------------- SessionFocusHost

bool MainWindow::anyScopeWindowInUse() const {
  for (const Slot& s : ScopeWindows_) {
    if (s.inUse) return true;
  }
  return false;
}

void MainWindow::focusEdit1() {
  Edit1_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------- ScopeHost

void MainWindow::SendPosition(uint16_t value, int kind) {
  session_->sender().SendPosition(value, kind);
}

void MainWindow::SendSetting(uint16_t value, uint16_t code) {
  session_->sender().SendSetting(value, code);
}

bool MainWindow::LoadFinished() const {
  return session_->LoadFinished();
}

bool MainWindow::LoadSetup(int slot, std::function<void()> finished) {
  if (!session_->LoadFinished()) return false;
  const int previousTarget = TargetWindow_;
  TargetWindow_ = slot;
  loadFinished_ = std::move(finished);
  if (!session_->LoadSetup()) {
    loadFinished_ = nullptr;
    TargetWindow_ = previousTarget;
    return false;
  }
  return true;
}

void MainWindow::setScopeWindowsEnabled(bool enable) {
  for (Slot& s : ScopeWindows_) {
    if (s.inUse && s.frame) s.frame->setEnabled(enable);
  }
}

bool MainWindow::loopRunning() const {
  return session_->loopRunning();
}

void MainWindow::startLoop() {
  session_->startLoop();
  applyCommandState();
}

void MainWindow::stopLoop() {
  session_->stopLoop();
  applyCommandState();
}

void MainWindow::activateWindow(int slot) {
  if (!slotInUse(slot)) return;
  if (slot != ActiveWindow_) {
    // The page tabs are the active window's to lock.
    if (ScopeWindow* old = scopeWindow(ActiveWindow_)) old->setPageTabsEnabled(true);
  }
  ActiveWindow_ = TargetWindow_ = slot;
  applyCommandState();
}

void MainWindow::scopeWindowClosed(int slot) {
  if (!slotInUse(slot)) return;
  ScopeWindows_[static_cast<std::size_t>(slot)].inUse = false;
  stopLoop();
}

bool MainWindow::captureScreen() {
  return session_->captureScreen();
}

std::span<const uint8_t> MainWindow::captureBuffer() const {
  return session_->exchange().capture.CaptureBuf;
}

std::optional<std::string> MainWindow::chooseSaveFile(const FileDialogRequest& request) {
  return ui_.saveFileName(this, request);
}

void MainWindow::showFileError(std::string_view text) {
  ui_.showError(this, qs(text));
}

}  // namespace corvane
