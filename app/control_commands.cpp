#include "app/control_commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "app/main_menus.h"
#include "app/main_window.h"
#include "app/toolbar_glyphs.h"

namespace corvane {

ControlMenu::ControlMenu(MainWindow& main, MainMenus& menus) : QObject(&main), main_(main) {
  menu_ = new QMenu(QString::fromUtf8(kControlMenuCaption.data(),
                                      static_cast<qsizetype>(kControlMenuCaption.size())),
                    &main);
  main.menuBar()->insertMenu(menus.configMenu->menuAction(), menu_);
  // The table is flat in menu order; node i's submenu is built before its children.
  const std::vector<ControlNode>& nodes = controlMenu();
  std::vector<QMenu*> submenus(nodes.size(), nullptr);
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const ControlNode& node = nodes[i];
    QMenu* holder = node.parent < 0 ? menu_ : submenus[static_cast<std::size_t>(node.parent)];
    const QString caption =
        QString::fromUtf8(node.caption.data(), static_cast<qsizetype>(node.caption.size()));
    switch (node.kind) {
      case ControlNode::Kind::kSeparator:
        holder->addSeparator();
        break;
      case ControlNode::Kind::kSubmenu:
        submenus[i] = holder->addMenu(caption);
        if (node.depth == 1) {
          menus.registerCommand(submenus[i]->menuAction(), ControlKind::MenuEntry, node.id);
        }
        break;
      case ControlNode::Kind::kCommand: {
        QAction* action = holder->addAction(caption);
        const ControlCommand command = node.command;
        connect(action, &QAction::triggered, this, [this, command] { main_.perform(command); });
        if (node.depth == 1) menus.registerCommand(action, ControlKind::MenuEntry, node.id);
        actions_.emplace_back(node.path, action);
        break;
      }
    }
  }
}

QAction* ControlMenu::action(std::string_view path) const {
  if (path.starts_with(kControlPathPrefix)) path.remove_prefix(kControlPathPrefix.size());
  for (const auto& [p, a] : actions_) {
    if (p == path) return a;
  }
  return nullptr;
}

ControlToolbars::ControlToolbars(MainWindow& main, MainMenus& menus) : QObject(&main), main_(main) {
  for (const ToolbarLayout& toolbar : controlToolbars()) {
    const QString caption =
        QString::fromUtf8(toolbar.caption.data(), static_cast<qsizetype>(toolbar.caption.size()));
    auto* bar = new QToolBar(caption, &main);
    bar->setAccessibleName(caption);
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    bar->setFloatable(true);
    bar->setMovable(true);
    bar->setIconSize(QSize(20, 20));
    main.addToolBar(Qt::TopToolBarArea, bar);
    toolbars_.push_back(bar);
    for (const ToolbarButton& button : toolbar.buttons) {
      if (button.kind == ToolbarButton::Kind::kSeparator) {
        bar->addSeparator();
        continue;
      }
      const QString hint =
          QString::fromUtf8(button.hint.data(), static_cast<qsizetype>(button.hint.size()));
      QAction* action = bar->addAction(toolbarGlyph(button.hint), hint);
      action->setToolTip(hint);
      const ToolbarButton* pressed = &button;
      connect(action, &QAction::triggered, this, [this, pressed] { press(*pressed); });
      menus.registerCommand(action, ControlKind::ToolButton, button.id);
      buttons_.emplace_back(&button, action);
    }
  }
}

QAction* ControlToolbars::button(std::string_view hint) const {
  for (const auto& [b, a] : buttons_) {
    if (b->hint == hint) return a;
  }
  return nullptr;
}

QAction* ControlToolbars::button(CommandId id) const {
  for (const auto& [b, a] : buttons_) {
    if (b->id == id) return a;
  }
  return nullptr;
}

void ControlToolbars::press(const ToolbarButton& button) {
  if (button.kind == ToolbarButton::Kind::kApp) {
    main_.runCommand(button.id);
  } else {
    performToolbarButton(button, main_.session());
  }
}

}  // namespace corvane
