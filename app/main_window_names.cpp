// The main window's component-name table.
#include <QAction>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/component_names.h"
#include "app/control_commands.h"
#include "app/main_menus.h"
#include "app/main_window.h"
#include "app/measurements_panel.h"
#include "app/trend_plot.h"

namespace corvane {

// The main window's component names: menus, toolbars and status bar.
void MainWindow::nameComponents() {
  const MainMenus& m = *menus_;
  const ControlToolbars& t = *toolbars_;
  using C = CommandId;
  corvane::nameComponents({
      {this, "MainWindow"},
      {mdi_, "ClientArea"},

      {m.fileMenu, "File1"},
      {m.newAction, "New1"},
      {m.openAction, "Load1"},
      {m.saveAction, "Save1"},
      {m.printAction, "Print1"},
      {m.printSetupAction, "PrintSetup1"},
      {m.logMeasurementsAction, "LogMeasurements1"},
      {m.exitAction, "Exit1"},
      {m.viewMenu, "View1"},
      {m.displayScale1Action, "DisplayScale1"},
      {m.displayScale2Action, "DisplayScale2"},
      {m.displayScale3Action, "DisplayScale3"},
      {m.zoomInAction, "ZoomIn1"},
      {m.zoomOutAction, "ZoomOut1"},
      {m.windowsMenu, "Windows1"},
      {m.cascadeAction, "Cascade1"},
      {m.tileAction, "Tile1"},
      {m.measurementsPanelAction, "Measurements1"},
      {controlMenu_->menu(), "Control1"},
      {m.configMenu, "Config1"},
      {m.connectionMenu, "SetConnection1"},
      {m.usbLinkAction, "USB1"},
      {m.serialLinkAction, "Com1"},
      {m.portSettingsAction, "CommPortSetting1"},
      {m.colorsAction, "ColorSetting1"},
      {m.aboutMenu, "About2"},
      {m.aboutAction, "About1"},
      {m.helpAction, "Help1"},

      // The toolbars in the Control vocabulary's order.
      {t.toolbars()[0], "ControlTool"},
      {t.button(C::kNew), "NewFileButton"},
      {t.button(C::kOpen), "FileOpenButton"},
      {t.button(C::kSave), "FileSaveButton"},
      {t.button(C::kPrint), "PrintButton"},
      {t.button(C::kTriggerLevel50), "TriggerSet50%Button"},
      {t.button(C::kRunStop), "Run/StopButton"},
      {t.button(C::kAutoSet), "AutoSetButton"},
      {t.button(C::kCh1Coupling), "CH1CoupleButton"},
      {t.button(C::kCh1Display), "CH1DisplayButton"},
      {t.button(C::kCh2Coupling), "CH2CoupleButton"},
      {t.button(C::kCh2Display), "CH2DisplayButton"},
      {t.toolbars()[1], "TriggerTool"},
      {t.button(C::kTriggerMode), "TriggerModeButton"},
      {t.button(C::kTriggerSource), "TriggerSourceButton"},
      {t.button(C::kTriggerCoupling), "TriggerCoupleButton"},
      {t.button(C::kTriggerSlope), "TriggerSlopeButton"},
      {t.toolbars()[2], "ConfigTool"},
      {t.button(C::kCommPortSetting), "CommPortsetupButton"},
      {t.button(C::kColorSetting), "ColorsetupButton"},
      {t.button(C::kAbout), "AboutButton"},
      {t.button(C::kHelp), "HelpButton"},

      // The Measurements dock.
      {measurementsPanel_, "MeasurementsPanel"},
      {measurementsPanel_->summary(), "MeasurementsSummary"},
      {measurementsPanel_->table(), "MeasurementTable", "Measurement statistics"},
      {measurementsPanel_->resetButton(), "ResetStatisticsButton"},
      {measurementsPanel_->logButton(), "LogMeasurementsButton"},
      {measurementsPanel_->plot()->rangeBox(), "TrendRange", "Trend time span"},
      {measurementsPanel_->plot()->choiceList(), "TrendChoice", "Measurements to plot"},
      {measurementsPanel_->plot()->chartView(), "TrendPlot", "Measurement trend"},

      {statusBar(), "StatusBar1"},
      {lastTransferCaption_, "StaticText1"},
      {keyboardFocus_, "Edit1", "Keyboard commands"},
      {lastSentLabel_, "TxStr"},
      {frameRateLabel_, "Label1"},
      {txTotalLabel_, "TXTot"},
      {rxTotalLabel_, "RXTot"},
      {linkHealthLabel_, "LinkHealth"},
  });
}

}  // namespace corvane
