// The "&Control" menu and the three dockable toolbars, built from the Control vocabulary table.
// Both own their actions and register them with the main menus' command rules.
#pragma once

#include <QObject>
#include <vector>

#include "protocol/control_vocabulary.h"

class QAction;
class QMenu;
class QToolBar;

namespace corvane {

class MainMenus;
class MainWindow;

class ControlMenu : public QObject {
 public:
  ControlMenu(MainWindow& main, MainMenus& menus);
  QMenu* menu() const { return menu_; }
  // The action of a menu path ("CH 1/Volt Division/1 V"), or null.
  QAction* action(std::string_view path) const;

 private:
  MainWindow& main_;
  QMenu* menu_ = nullptr;
  std::vector<std::pair<std::string, QAction*>> actions_;
};

class ControlToolbars : public QObject {
 public:
  ControlToolbars(MainWindow& main, MainMenus& menus);
  const std::vector<QToolBar*>& toolbars() const { return toolbars_; }
  // The button's action by its hint ("Trigger Source") or by what it is, or null.
  QAction* button(std::string_view hint) const;
  QAction* button(CommandId id) const;

 private:
  void press(const ToolbarButton& button);

  MainWindow& main_;
  std::vector<QToolBar*> toolbars_;
  std::vector<std::pair<const ToolbarButton*, QAction*>> buttons_;
};

}  // namespace corvane
