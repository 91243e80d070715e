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

QAction* addEntry(QMenu* menu, const char* name, const QString& caption,
                  const QKeySequence& shortcut = {}) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QLatin1String(name));
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  return action;
}

}  // namespace

MainMenus::MainMenus(MainWindow& main, QMdiArea& mdi) : QObject(&main), main_(main), mdi_(mdi) {
  QMenuBar* bar = main.menuBar();
  File1 = bar->addMenu(QStringLiteral("&File"));
  New1 = addEntry(File1, "New1", QStringLiteral("&New"), QKeySequence(QStringLiteral("Ctrl+N")));
  Load1 = addEntry(File1, "Load1", QStringLiteral("&Open"), QKeySequence(QStringLiteral("Ctrl+O")));
  Save1 = addEntry(File1, "Save1", QStringLiteral("&Save"), QKeySequence(QStringLiteral("Ctrl+S")));
  Print1 =
      addEntry(File1, "Print1", QStringLiteral("&Print"), QKeySequence(QStringLiteral("Ctrl+P")));
  PrintSetup1 = addEntry(File1, "PrintSetup1", QStringLiteral("P&rint Setup"));
  File1->addSeparator();
  Exit1 = addEntry(File1, "Exit1", QStringLiteral("E&xit"), QKeySequence(QStringLiteral("Ctrl+X")));

  Windows1 = bar->addMenu(QStringLiteral("&Windows"));
  Cascade1 = addEntry(Windows1, "Cascade1", QStringLiteral("&Cascade"));
  Tile1 = addEntry(Windows1, "Tile1", QStringLiteral("&Tile"));
  connect(Windows1, &QMenu::aboutToShow, this, &MainMenus::rebuildWindowList);
  connect(Cascade1, &QAction::triggered, &mdi_, &QMdiArea::cascadeSubWindows);
  connect(Tile1, &QAction::triggered, &mdi_, &QMdiArea::tileSubWindows);

  Config1 = bar->addMenu(QStringLiteral("&Config"));
  SetConnection1 = Config1->addMenu(QStringLiteral("Set Connection"));
  SetConnection1->setObjectName(QStringLiteral("SetConnection1"));
  USB1 = addEntry(SetConnection1, "USB1", QStringLiteral("USB"));
  Com1 = addEntry(SetConnection1, "Com1", QStringLiteral("Comm"));
  USB1->setCheckable(true);
  Com1->setCheckable(true);
  auto* linkGroup = new QActionGroup(this);
  linkGroup->addAction(USB1);
  linkGroup->addAction(Com1);
  Com1->setChecked(true);
  CommPortSetting1 = addEntry(Config1, "CommPortSetting1", QStringLiteral("Comm. Port Setting"),
                              QKeySequence(QStringLiteral("Ctrl+C")));
  ColorSetting1 = addEntry(Config1, "ColorSetting1", QStringLiteral("Color Setting"));

  About2 = bar->addMenu(QStringLiteral("&About"));
  About1 = addEntry(About2, "About1", QStringLiteral("About &Corvane"));
  Help1 =
      addEntry(About2, "Help1", QStringLiteral("&Help"), QKeySequence(QStringLiteral("Ctrl+H")));

  connect(New1, &QAction::triggered, &main_, &MainWindow::New1Click);
  connect(Load1, &QAction::triggered, &main_, &MainWindow::Load1Click);
  connect(Save1, &QAction::triggered, &main_, &MainWindow::Save1Click);
  connect(Print1, &QAction::triggered, &main_, &MainWindow::Print1Click);
  connect(PrintSetup1, &QAction::triggered, &main_, &MainWindow::PrintSetup1Click);
  connect(ColorSetting1, &QAction::triggered, &main_, &MainWindow::ColorSetting1Click);
  connect(Exit1, &QAction::triggered, &main_, &MainWindow::Exit1Click);
  connect(USB1, &QAction::triggered, &main_, &MainWindow::USB1Click);
  connect(Com1, &QAction::triggered, &main_, &MainWindow::Com1Click);
  connect(CommPortSetting1, &QAction::triggered, &main_, &MainWindow::CommPortSetting1Click);
  connect(About1, &QAction::triggered, &main_, &MainWindow::About1Click);
  connect(Help1, &QAction::triggered, &main_, &MainWindow::Help1Click);

  for (QAction* a : {New1, Load1, Save1, Print1, PrintSetup1, CommPortSetting1, ColorSetting1}) {
    registerCommand(a, ControlKind::MenuEntry);
  }
  registerCommand(SetConnection1);
}

void MainMenus::registerCommand(QAction* action, ControlKind kind) {
  commands_.push_back({action, commandRule(kind, action->text().toStdString())});
}

void MainMenus::registerCommand(QMenu* menu) {
  commands_.push_back(
      {menu->menuAction(), commandRule(ControlKind::MenuEntry, menu->title().toStdString())});
}

void MainMenus::applyCommandState(const CommandState& state) {
  for (const Registered& r : commands_) r.action->setEnabled(commandEnabled(r.rule, state));
}

void MainMenus::showLinkChoice(bool usbChecked, bool usbEnabled) {
  USB1->setChecked(usbChecked);
  Com1->setChecked(!usbChecked);
  USB1->setEnabled(usbEnabled);
}

void MainMenus::rebuildWindowList() {
  const QList<QAction*> entries = Windows1->actions();
  for (QAction* a : entries) {
    if (a != Cascade1 && a != Tile1) {
      Windows1->removeAction(a);
      a->deleteLater();
    }
  }
  const QList<QMdiSubWindow*> windows = mdi_.subWindowList();
  if (windows.isEmpty()) return;
  Windows1->addSeparator();
  int number = 1;
  for (QMdiSubWindow* w : windows) {
    QString caption = w->windowTitle();
    if (number <= 9) caption = QStringLiteral("&%1 %2").arg(number).arg(caption);
    ++number;
    QAction* a = Windows1->addAction(caption);
    a->setCheckable(true);
    a->setChecked(w == mdi_.activeSubWindow());
    QPointer<QMdiSubWindow> target(w);
    connect(a, &QAction::triggered, this, [this, target] {
      if (target) mdi_.setActiveSubWindow(target);
    });
  }
}

}  // namespace corvane
