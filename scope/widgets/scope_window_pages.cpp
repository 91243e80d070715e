// The scope window's three pages, its popup menu and the table of its automation ids.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDate>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

#include "scope/widgets/scope_display.h"
#include "scope/widgets/scope_window.h"
#include "scope/widgets/scope_window_style.h"
#include "scope/widgets/widget_names.h"

namespace corvane {

using scope_style::arial;
using scope_style::kBlue;
using scope_style::kNavy;
using scope_style::setCaption;

// Every named widget of the window with its automation id (objectName and accessible
// description). Screen readers, the GUI tests and users' scripts find the widgets by these ids,
// so they never change; the captions set where the widgets are built are their accessible names.
void ScopeWindow::nameComponents() {
  const std::pair<QWidget*, const char*> components[] = {
      {pages_, "PageControl1"},
      {displayArea_, "PaintBox1"},
      {contrastBar_, "ScrollBar1"},
      {ch1VoltDivLabel_, "C1A"},
      {ch1CouplingLabel_, "C1B"},
      {ch2VoltDivLabel_, "C2A"},
      {ch2CouplingLabel_, "C2B"},
      {triggerModeLabel_, "CM1"},
      {triggerSourceLabel_, "CM2"},
      {triggerSlopeLabel_, "Cm3"},
      {triggerCouplingLabel_, "CM4"},
      {timeDivLabel_, "CT1"},
      {triggerLevelLabel_, "CT2"},
      {timeDeltaLabel_, "C_DX"},
      {frequencyLabel_, "C_Freq"},
      {time1Label_, "C_X1"},
      {time2Label_, "C_X2"},
      {ch1VoltDeltaLabel_, "C_DY"},
      {ch2VoltDeltaLabel_, "C_DY2"},
      {boardGridButton_, "RadioButton1"},
      {crossGridButton_, "RadioButton2"},
      {fullGridButton_, "RadioButton3"},
      {cursorTypeBox_, "ComboBox1"},
      {ch1VoltsBox_, "ComboBox2"},
      {ch2VoltsBox_, "ComboBox3"},
      {timeDivBox_, "ComboBox4"},
      {setupButton_, "ToolbarButton971"},
      {runButton_, "BitBtn1"},
      {displayMenu_, "PopupMenu1"},
      {screenImage_, "Image5"},
      {saveScreenButton_, "BMPSave"},
      {captureButton_, "BMPCapt"},
      {notes_, "Memo1"},
  };
  for (auto [widget, id] : components) nameWidget(widget, id);
  // measureLabels_, in its order: P.P, RMS, MEAN, FREQ., RISE T, FALL T, PERIOD, +WIDTH, -WIDTH.
  static const char* const kMeasurementIds[2][9] = {
      {"CPPCH1", "CRMSCH1", "CMEANCH1", "CFREQCH1", "CRISECH1", "CFALLCH1", "CPERIODCH1",
       "CWIDPCH1", "CWIDMCH1"},
      {"CPPCH2", "CRMSCH2", "CMEANCH2", "CFREQCH2", "CRISECH2", "CFALLCH2", "CPERIODCH2",
       "CWIDPCH2", "CWIDMCH2"}};
  for (std::size_t ch = 0; ch < 2; ++ch) {
    for (std::size_t i = 0; i < 9; ++i) nameWidget(measureLabels_[ch][i], kMeasurementIds[ch][i]);
  }
}

namespace {

QLabel* label(QWidget* parent, const QString& text, QRect geometry,
              Qt::Alignment align = Qt::AlignCenter) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(geometry);
  l->setAlignment(align);
  return l;
}

QLabel* header(QWidget* parent, const QString& text, QRect geometry) {
  QLabel* l = label(parent, text, geometry);
  setTextColor(l, kNavy);
  return l;
}

QLabel* readout(QWidget* parent, QRect geometry) {
  QLabel* l = label(parent, "", geometry);
  l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  l->setAutoFillBackground(true);
  l->setBackgroundRole(QPalette::Base);
  return l;
}

QComboBox* dropDown(QWidget* parent, QRect geometry) {
  auto* box = new QComboBox(parent);
  box->setGeometry(geometry);
  box->setMaxVisibleItems(12);
  return box;
}

}  // namespace

void ScopeWindow::buildScopePage(QWidget* page) {
  // Display area in a lowered double bevel, contrast bar beside it.
  auto* bevel = new QFrame(page);
  bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bevel->setLineWidth(2);
  bevel->setGeometry(4, 4, 325, 259);
  displayArea_ = new ScopeDisplay(bevel);
  displayArea_->move(2, 2);
  displayArea_->onPress = [this](QMouseEvent* e, QPoint at) { onDisplayPressed(e, at); };
  displayArea_->onMove = [this](QMouseEvent*, QPoint at) { onDisplayDragged(at); };
  displayArea_->onRelease = [this](QMouseEvent* e, QPoint at) { onDisplayReleased(e, at); };
  displayArea_->onKey = [this](QKeyEvent* e) { return onDisplayKey(e); };
  displayArea_->onCycle = [this](bool forward) { return cycleKeyChoice(forward); };
  displayArea_->onFocusIn = [this](bool forward) { chooseFirstHandle(forward); };
  displayArea_->onFocusOut = [this] { cancelKeyDrag(); };
  displayArea_->onMenuKey = [this](QPoint at) { openDisplayMenu(at, true); };

  contrastBar_ = new QScrollBar(Qt::Vertical, page);
  contrastBar_->setFocusPolicy(Qt::StrongFocus);
  contrastBar_->setGeometry(331, 4, 17, 259);
  contrastBar_->setRange(0, 100);
  contrastBar_->setPageStep(10);
  contrastBar_->setValue(40);
  contrastBar_->setToolTip("Contrast Setting (40%)");
  // Keyboard and wheel steps end at once; mouse steps end at the button's release (eventFilter).
  connect(contrastBar_, &QScrollBar::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove && QApplication::mouseButtons() == Qt::NoButton) {
      onContrastScrolled(contrastBar_->sliderPosition());
    }
  });

  // "Scope Information": the acquisition settings as short texts.
  auto* info = new QGroupBox("Scope Information", page);
  info->setGeometry(4, 265, 343, 74);
  const int row1 = 18, row2 = 46, h = 20;
  header(info, "CH 1", {4, row1, 36, h});
  ch1VoltDivLabel_ = label(info, "???", {40, row1, 56, h});
  ch1CouplingLabel_ = label(info, "???", {96, row1, 34, h});
  header(info, "MODE", {130, row1, 42, h});
  triggerModeLabel_ = label(info, "???", {172, row1, 48, h});
  triggerSourceLabel_ = label(info, "???", {220, row1, 40, h});
  triggerSlopeLabel_ = label(info, "?", {260, row1, 18, h});
  triggerCouplingLabel_ = label(info, "???", {278, row1, 60, h});
  triggerCouplingLabel_->setFont(arial(11));
  header(info, "CH 2", {4, row2, 36, h});
  ch2VoltDivLabel_ = label(info, "???", {40, row2, 56, h});
  ch2CouplingLabel_ = label(info, "???", {96, row2, 34, h});
  header(info, "TIME", {130, row2, 42, h});
  timeDivLabel_ = label(info, "???", {172, row2, 56, h});
  header(info, "TRG", {228, row2, 36, h});
  triggerLevelLabel_ = label(info, "???", {264, row2, 74, h});
  triggerLevelLabel_->setFont(arial(9));

  // "Parameter Information": nine measurements per channel.
  auto* params = new QGroupBox("Parameter Information", page);
  params->setGeometry(4, 341, 586, 106);
  static const char* const kColumns[9] = {"P.P",    "RMS",    "MEAN",   "FREQ.", "RISE T",
                                          "FALL T", "PERIOD", "+WIDTH", "-WIDTH"};
  const int colX = 48, colW = 59;
  for (int c = 0; c < 9; ++c) header(params, kColumns[c], {colX + c * colW, 18, colW, h});
  for (int ch = 0; ch < 2; ++ch) {
    const int y = 40 + ch * 30;
    header(params, ch == 0 ? "CH 1" : "CH 2", {4, y, 44, 22});
    for (int c = 0; c < 9; ++c) {
      QLabel* value = readout(params, {colX + c * colW + 1, y, colW - 2, 22});
      value->setText("???");
      measureLabels_[std::size_t(ch)][std::size_t(c)] = value;
    }
  }

  // Right-hand column, from the top.
  const int rx = 352, rw = 238;
  auto* grid = new QGroupBox("Display Grid", page);
  grid->setGeometry(rx, 0, rw, 44);
  gridButtons_ = new QButtonGroup(this);
  boardGridButton_ = new QRadioButton("BOARD", grid);
  crossGridButton_ = new QRadioButton("CROSS", grid);
  fullGridButton_ = new QRadioButton("FULL", grid);
  // The button ids are the GridKind values.
  QRadioButton* radios[3] = {boardGridButton_, crossGridButton_, fullGridButton_};
  for (int kind = 0; kind < 3; ++kind) {
    radios[kind]->setGeometry(10 + kind * 76, 18, 72, 20);
    radios[kind]->setAccessibleName(radios[kind]->text());
    gridButtons_->addButton(radios[kind], kind);
  }
  connect(gridButtons_, &QButtonGroup::idClicked, this, &ScopeWindow::onGridChosen);

  auto* cursors = new QGroupBox("Cursor Position", page);
  cursors->setGeometry(rx, 46, rw, 130);
  const QString delta = QString(QChar(0x0394));
  const QString leftCaptions[3] = {delta + "T", "T1", delta + "V1"};
  const QString rightCaptions[3] = {"1/" + delta + "T", "T2", delta + "V2"};
  QLabel** left[3] = {&timeDeltaLabel_, &time1Label_, &ch1VoltDeltaLabel_};
  QLabel** right[3] = {&frequencyLabel_, &time2Label_, &ch2VoltDeltaLabel_};
  for (int r = 0; r < 3; ++r) {
    const int y = 18 + r * 25;
    label(cursors, leftCaptions[r], {4, y, 30, 21});
    *left[r] = readout(cursors, {34, y, 82, 21});
    label(cursors, rightCaptions[r], {118, y, 34, 21});
    *right[r] = readout(cursors, {152, y, 80, 21});
  }
  label(cursors, "Cursor Type", {4, 99, 80, 22}, Qt::AlignLeft | Qt::AlignVCenter);
  cursorTypeBox_ = dropDown(cursors, {90, 98, 142, 24});
  cursorTypeBox_->addItems({"None", "Time", "Voltage", "Pair"});
  connect(cursorTypeBox_, &QComboBox::currentIndexChanged, this, &ScopeWindow::onCursorTypeChanged);

  auto* vertical = new QGroupBox("Vertical Voltage Setting", page);
  vertical->setGeometry(rx, 178, rw, 52);
  label(vertical, "CH 1", {4, 22, 32, 22});
  ch1VoltsBox_ = dropDown(vertical, {36, 20, 80, 24});
  label(vertical, "CH 2", {120, 22, 32, 22});
  ch2VoltsBox_ = dropDown(vertical, {152, 20, 80, 24});
  connect(ch1VoltsBox_, &QComboBox::currentIndexChanged, this, &ScopeWindow::onCh1VoltsChanged);
  connect(ch2VoltsBox_, &QComboBox::currentIndexChanged, this, &ScopeWindow::onCh2VoltsChanged);

  auto* horizontal = new QGroupBox("Horizontal Time Setting", page);
  horizontal->setGeometry(rx, 232, rw, 52);
  timeDivBox_ = dropDown(horizontal, {10, 20, 222, 24});
  connect(timeDivBox_, &QComboBox::currentIndexChanged, this, &ScopeWindow::onTimeDivChanged);

  setupButton_ = new QPushButton(page);
  setupButton_->setGeometry(rx, 290, 116, 46);
  setCaption(setupButton_, "Setup Para.", kBlue);
  connect(setupButton_, &QPushButton::clicked, this, &ScopeWindow::startSetupLoad);
  runButton_ = new QPushButton(page);
  runButton_->setGeometry(rx + 122, 290, 116, 46);
  setCaption(runButton_, "RUN", kBlue);
  runButton_->setEnabled(false);  // usable after the first setup load
  connect(runButton_, &QPushButton::clicked, this, &ScopeWindow::toggleRealTimeLoop);

  QWidget::setTabOrder(pages_->tabBar(), displayArea_);
  QWidget::setTabOrder(displayArea_, contrastBar_);
  for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    scopeLayout_.emplace_back(child, child->geometry());
  }
}

void ScopeWindow::buildImagePage(QWidget* page) {
  screenImage_ = new QLabel(page);
  screenImage_->setGeometry(24, 24, 537, 345);
  screenImage_->setAlignment(Qt::AlignCenter);
  screenImage_->setScaledContents(false);
  saveScreenButton_ = new QPushButton(page);
  saveScreenButton_->setGeometry(380, 384, 88, 30);
  setCaption(saveScreenButton_, "Save &As", palette().color(QPalette::ButtonText));
  saveScreenButton_->setEnabled(false);  // nothing captured yet
  captureButton_ = new QPushButton(page);
  captureButton_->setGeometry(473, 384, 88, 30);
  setCaption(captureButton_, "&Capture", palette().color(QPalette::ButtonText));
  connect(saveScreenButton_, &QPushButton::clicked, this, &ScopeWindow::saveInstrumentScreen);
  connect(captureButton_, &QPushButton::clicked, this, &ScopeWindow::captureInstrumentScreen);
}

void ScopeWindow::buildNotesPage(QWidget* page) {
  notes_ = new QPlainTextEdit(page);
  notes_->setFont(arial(12, true));
  notes_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  notes_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  auto* fill = new QVBoxLayout(page);
  fill->setContentsMargins(0, 0, 0, 0);
  fill->addWidget(notes_);
  const QDate today = QDate::currentDate();
  notes_->setPlainText(QString("Corvane - Notes..   %1- %2- %3")
                           .arg(today.year())
                           .arg(today.month())
                           .arg(today.day()));
}

void ScopeWindow::buildPopupMenu() {
  displayMenu_ = new QMenu(this);
  connect(displayMenu_->addAction("Corvane Data Save"), &QAction::triggered, this,
          &ScopeWindow::saveData);
  connect(displayMenu_->addAction("Waveform Capture"), &QAction::triggered, this,
          &ScopeWindow::captureDisplay);
  connect(displayMenu_->addAction(QString("Export CSV") + QChar(0x2026)), &QAction::triggered, this,
          &ScopeWindow::exportCsv);
  displayMenu_->addSeparator();
  connect(displayMenu_->addAction("CH1 Waveform ON/OFF"), &QAction::triggered, this,
          &ScopeWindow::toggleCh1Trace);
  connect(displayMenu_->addAction("CH2 Waveform ON/OFF"), &QAction::triggered, this,
          &ScopeWindow::toggleCh2Trace);
  connect(displayMenu_->addAction("Arith Waveform ON/OFF"), &QAction::triggered, this,
          &ScopeWindow::toggleArithTrace);
  QAction* recall = displayMenu_->addAction("Recall Waveform ON/OFF");
  QAction* goNogo = displayMenu_->addAction("Go-Nogo Range ON/OFF");
  recall->setVisible(false);
  goNogo->setVisible(false);
  connect(recall, &QAction::triggered, this, &ScopeWindow::toggleRecallTrace);
  connect(goNogo, &QAction::triggered, this, &ScopeWindow::toggleGoNogoLimits);
}

}  // namespace corvane
