// The main window's menus outside Control: File, View, Windows, Config, About, built from the table
// in main_menus.cpp. Owns their actions and the registry of command controls whose enabled state
// the command rules decide.
#pragma once

#include <QObject>
#include <optional>
#include <vector>

#include "app/command_state.h"

class QAction;
class QMdiArea;
class QMenu;

namespace corvane {

class MainWindow;

class MainMenus : public QObject {
 public:
  MainMenus(MainWindow& main, QMdiArea& mdi);

  // A menu entry or toolbar button that follows the rule of `command` from now on.
  void registerCommand(QAction* action, ControlKind kind, CommandId command);
  // Applies the rules to every registered control.
  void applyCommandState(const CommandState& state);
  // The rule a registered control follows; nullopt for one never registered.
  std::optional<CommandRule> registeredRule(const QAction* action) const;
  std::vector<QAction*> registeredControls() const;

  // The check mark on the display size in use (1..3).
  void showDisplayScale(int scale);
  // The link check marks and the USB entry's enabled state, from the session.
  void showLinkChoice(bool usbChecked, bool usbEnabled);

  QMenu* fileMenu = nullptr;
  QAction* newAction = nullptr;
  QAction* openAction = nullptr;
  QAction* saveAction = nullptr;
  QAction* printAction = nullptr;
  QAction* printSetupAction = nullptr;
  QAction* logMeasurementsAction = nullptr;  // checked while the measurement log runs
  QAction* exitAction = nullptr;
  QMenu* viewMenu = nullptr;
  QAction* displayScale1Action = nullptr;
  QAction* displayScale2Action = nullptr;
  QAction* displayScale3Action = nullptr;
  QAction* zoomInAction = nullptr;
  QAction* zoomOutAction = nullptr;
  QMenu* windowsMenu = nullptr;
  QAction* cascadeAction = nullptr;
  QAction* tileAction = nullptr;
  QAction* measurementsPanelAction = nullptr;  // checked while the Measurements panel shows
  QMenu* configMenu = nullptr;
  QMenu* connectionMenu = nullptr;
  QAction* usbLinkAction = nullptr;
  QAction* serialLinkAction = nullptr;
  QAction* portSettingsAction = nullptr;
  QAction* colorsAction = nullptr;
  QMenu* aboutMenu = nullptr;
  QAction* aboutAction = nullptr;
  QAction* helpAction = nullptr;

 private:
  void rebuildWindowList();

  struct Registered {
    QAction* action;
    CommandRule rule;
  };

  MainWindow& main_;
  QMdiArea& mdi_;
  std::vector<Registered> commands_;
};

}  // namespace corvane
