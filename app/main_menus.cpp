#include "app/main_menus.h"

#include <QAction>
#include <QActionGroup>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include "app/main_window.h"

namespace corvane {
namespace {

// The menus in menu order. A row is a menu on the bar (depth 0), an entry or a submenu in it
// (depth 1) or an entry of that submenu (depth 2); a row without caption is a separator. It
// builds the member `menu` or `action`; an entry runs `run`, and follows the enabled-state rule
// of `command` (a submenu too).
struct MenuRow {
  int depth;
  QMenu* MainMenus::*menu = nullptr;
  QAction* MainMenus::*action = nullptr;
  const char* caption = nullptr;
  const char* shortcut = nullptr;
  void (MainWindow::*run)() = nullptr;
  CommandId command = CommandId::kNone;
};

using M = MainMenus;
using W = MainWindow;
using C = CommandId;

const MenuRow kMenus[] = {
    {0, &M::fileMenu, nullptr, "&File"},
    {1, nullptr, &M::newAction, "&New", "Ctrl+N", &W::newScopeWindow, C::kNew},
    {1, nullptr, &M::openAction, "&Open", "Ctrl+O", &W::openDataFile, C::kOpen},
    {1, nullptr, &M::saveAction, "&Save", "Ctrl+S", &W::saveDataFile, C::kSave},
    {1, nullptr, &M::printAction, "&Print", "Ctrl+P", &W::print, C::kPrint},
    {1, nullptr, &M::printSetupAction, "P&rint Setup", nullptr, &W::showPrinterSetup,
     C::kPrintSetup},
    {1, nullptr, &M::logMeasurementsAction, "&Log Measurements\u2026", nullptr,
     &W::toggleMeasurementLog},
    {1},
    {1, nullptr, &M::exitAction, "E&xit", "Ctrl+X", &W::exitProgram, C::kExit},
    {0, &M::viewMenu, nullptr, "&View"},
    {1, nullptr, &M::displayScale1Action, "Display &1\u00D7"},
    {1, nullptr, &M::displayScale2Action, "Display &2\u00D7"},
    {1, nullptr, &M::displayScale3Action, "Display &3\u00D7"},
    {1},
    {1, nullptr, &M::zoomInAction, "Zoom &In", "Ctrl++", &W::enlargeDisplay},
    {1, nullptr, &M::zoomOutAction, "Zoom &Out", "Ctrl+-", &W::reduceDisplay},
    {0, &M::windowsMenu, nullptr, "&Windows"},
    {1, nullptr, &M::cascadeAction, "&Cascade"},
    {1, nullptr, &M::tileAction, "&Tile"},
    {1, nullptr, &M::measurementsPanelAction, "&Measurements", nullptr,
     &W::toggleMeasurementsPanel},
    {0, &M::configMenu, nullptr, "&Config"},
    {1, &M::connectionMenu, nullptr, "Set Connection", nullptr, nullptr, C::kSetConnection},
    {2, nullptr, &M::usbLinkAction, "USB", nullptr, &W::chooseUsbLink},
    {2, nullptr, &M::serialLinkAction, "Comm", nullptr, &W::chooseSerialLink},
    {1, nullptr, &M::portSettingsAction, "Comm. Port Setting", "Ctrl+C", &W::editPortSettings,
     C::kCommPortSetting},
    {1, nullptr, &M::colorsAction, "Color Setting", nullptr, &W::editColors, C::kColorSetting},
    {0, &M::aboutMenu, nullptr, "&About"},
    {1, nullptr, &M::aboutAction, "About &Corvane", nullptr, &W::showAbout, C::kAbout},
    {1, nullptr, &M::helpAction, "&Help", "Ctrl+H", &W::showHelp, C::kHelp},
};

}  // namespace

MainMenus::MainMenus(MainWindow& main, QMdiArea& mdi) : QObject(&main), main_(main), mdi_(mdi) {
  QMenu* open[3] = {};  // the menu currently open at each depth
  for (const MenuRow& row : kMenus) {
    QMenu* holder = row.depth > 0 ? open[row.depth - 1] : nullptr;
    if (row.caption == nullptr) {
      holder->addSeparator();
      continue;
    }
    const QString caption = QString::fromUtf8(row.caption);
    if (row.menu != nullptr) {
      QMenu* menu = holder ? holder->addMenu(caption) : main.menuBar()->addMenu(caption);
      this->*row.menu = menu;
      open[row.depth] = menu;
      if (row.command != CommandId::kNone) {
        registerCommand(menu->menuAction(), ControlKind::MenuEntry, row.command);
      }
      continue;
    }
    QAction* action = holder->addAction(caption);
    this->*row.action = action;
    if (row.shortcut != nullptr) action->setShortcut(QKeySequence(QString::fromUtf8(row.shortcut)));
    if (row.run != nullptr) connect(action, &QAction::triggered, &main_, row.run);
    if (row.command != CommandId::kNone) {
      registerCommand(action, ControlKind::MenuEntry, row.command);
    }
  }

  // Ctrl+= too: on most layouts "+" needs Shift.
  zoomInAction->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  auto* scaleGroup = new QActionGroup(this);
  QAction* scales[3] = {displayScale1Action, displayScale2Action, displayScale3Action};
  for (int i = 0; i < 3; ++i) {
    scales[i]->setCheckable(true);
    scaleGroup->addAction(scales[i]);
    connect(scales[i], &QAction::triggered, &main_, [this, i] { main_.setDisplayScale(i + 1); });
  }
  showDisplayScale(main_.settings().displayScale);

  connect(windowsMenu, &QMenu::aboutToShow, this, &MainMenus::rebuildWindowList);
  connect(cascadeAction, &QAction::triggered, &mdi_, &QMdiArea::cascadeSubWindows);
  connect(tileAction, &QAction::triggered, &mdi_, &QMdiArea::tileSubWindows);
  logMeasurementsAction->setCheckable(true);
  measurementsPanelAction->setCheckable(true);
  usbLinkAction->setCheckable(true);
  serialLinkAction->setCheckable(true);
  auto* linkGroup = new QActionGroup(this);
  linkGroup->addAction(usbLinkAction);
  linkGroup->addAction(serialLinkAction);
  serialLinkAction->setChecked(true);
}

void MainMenus::registerCommand(QAction* action, ControlKind kind, CommandId command) {
  commands_.push_back({action, commandRule(kind, command)});
}

void MainMenus::applyCommandState(const CommandState& state) {
  for (const Registered& r : commands_) r.action->setEnabled(commandEnabled(r.rule, state));
}

std::optional<CommandRule> MainMenus::registeredRule(const QAction* action) const {
  for (const Registered& r : commands_) {
    if (r.action == action) return r.rule;
  }
  return std::nullopt;
}

std::vector<QAction*> MainMenus::registeredControls() const {
  std::vector<QAction*> out;
  for (const Registered& r : commands_) out.push_back(r.action);
  return out;
}

void MainMenus::showDisplayScale(int scale) {
  QAction* scales[3] = {displayScale1Action, displayScale2Action, displayScale3Action};
  for (int i = 0; i < 3; ++i) scales[i]->setChecked(scale == i + 1);
  zoomInAction->setEnabled(scale < 3);
  zoomOutAction->setEnabled(scale > 1);
}

void MainMenus::showLinkChoice(bool usbChecked, bool usbEnabled) {
  usbLinkAction->setChecked(usbChecked);
  serialLinkAction->setChecked(!usbChecked);
  usbLinkAction->setEnabled(usbEnabled);
}

void MainMenus::rebuildWindowList() {
  const QList<QAction*> entries = windowsMenu->actions();
  for (QAction* a : entries) {
    if (a != cascadeAction && a != tileAction && a != measurementsPanelAction) {
      windowsMenu->removeAction(a);
      a->deleteLater();
    }
  }
  const QList<QMdiSubWindow*> windows = mdi_.subWindowList();
  if (windows.isEmpty()) return;
  windowsMenu->addSeparator();
  int number = 1;
  for (QMdiSubWindow* w : windows) {
    QString caption = w->windowTitle();
    if (number <= 9) caption = QStringLiteral("&%1 %2").arg(number).arg(caption);
    ++number;
    QAction* a = windowsMenu->addAction(caption);
    a->setCheckable(true);
    a->setChecked(w == mdi_.activeSubWindow());
    QPointer<QMdiSubWindow> target(w);
    connect(a, &QAction::triggered, this, [this, target] {
      if (target) mdi_.setActiveSubWindow(target);
    });
  }
}

}  // namespace corvane
