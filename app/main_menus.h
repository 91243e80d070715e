// The main window's menus outside Control: File, Windows, Config, About. Owns their actions and
// the registry of command controls whose enabled state the command rules decide.
#pragma once

#include <QObject>
#include <vector>

#include "app/command_state.h"

class QAction;
class QMainWindow;
class QMdiArea;
class QMenu;

namespace corvane {

class MainWindow;

class MainMenus : public QObject {
 public:
  MainMenus(MainWindow& main, QMdiArea& mdi);

  // A menu entry or toolbar button that follows the command rules from now on.
  void registerCommand(QAction* action, ControlKind kind);
  void registerCommand(QMenu* menu);
  // Applies the rules to every registered control.
  void applyCommandState(const CommandState& state);

  QMenu* fileMenu() const { return File1; }
  QMenu* configMenu() const { return Config1; }
  QMenu* aboutMenu() const { return About2; }

  QAction* New1 = nullptr;
  QAction* Load1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* Print1 = nullptr;
  QAction* PrintSetup1 = nullptr;
  QAction* Exit1 = nullptr;
  QAction* Cascade1 = nullptr;
  QAction* Tile1 = nullptr;
  QAction* USB1 = nullptr;
  QAction* Com1 = nullptr;
  QAction* CommPortSetting1 = nullptr;
  QAction* ColorSetting1 = nullptr;
  QAction* About1 = nullptr;
  QAction* Help1 = nullptr;
  QMenu* SetConnection1 = nullptr;

  // The link check marks and USB1's enabled state, from the session.
  void showLinkChoice(bool usbChecked, bool usbEnabled);

 private:
  void rebuildWindowList();

  struct Registered {
    QAction* action;
    CommandRule rule;
  };

  MainWindow& main_;
  QMdiArea& mdi_;
  QMenu* File1 = nullptr;
  QMenu* Windows1 = nullptr;
  QMenu* Config1 = nullptr;
  QMenu* About2 = nullptr;
  std::vector<Registered> commands_;
};

}  // namespace corvane
