#include "scope/widgets/scope_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <memory>

#include "analysis/measurements.h"
#include "scope/arith_trace.h"
#include "scope/cursor_readouts.h"
#include "scope/display_compose.h"
#include "scope/display_render.h"
#include "scope/widgets/scope_display.h"
#include "scope/widgets/scope_window_style.h"

namespace corvane {
namespace {

// The lists change only with a probe or time/division change; rebuilding them on every arrival
// of the real-time loop would cost more than the rest of the arrival.
void setItems(QComboBox* box, const std::vector<std::string>& items,
              const std::vector<std::string>& shown, int index) {
  const QSignalBlocker blocker(box);
  if (items != shown || box->count() != int(items.size())) {
    box->clear();
    for (const auto& item : items) box->addItem(QString::fromStdString(item));
  }
  box->setCurrentIndex(index);
}

}  // namespace

ScopeWindow::ScopeWindow(ScopeHost& host, int slot, QWidget* parent)
    : QWidget(parent), host_(host), slot_(slot) {
  setFont(scope_style::arial(12));
  setFixedSize(kWidth, kHeight);

  pages_ = new QTabWidget(this);
  pages_->setGeometry(0, 0, kWidth, kHeight);
  auto* scopePage = new QWidget;
  auto* imagePage = new QWidget;
  auto* notesPage = new QWidget;
  pages_->addTab(scopePage, "Scope");
  pages_->addTab(imagePage, "ImageView");
  pages_->addTab(notesPage, "Notes");
  buildScopePage(scopePage);
  buildImagePage(imagePage);
  buildNotesPage(notesPage);
  buildPopupMenu();
  nameComponents();
  connect(pages_, &QTabWidget::currentChanged, this, &ScopeWindow::onPageChanged);

  watchChildren();
  dragBitmap_ = bitmap_;
  receiveRecord(MakeNewWindowRecord());
}

// QWidget's destructor closes the window and moves the focus away from the display, after this
// object's own part is gone: the display must not call back into it then.
ScopeWindow::~ScopeWindow() {
  displayArea_->clearHandlers();
}

// A click on any control is a click on the window, and the contrast bar's mouse scrolls end at
// the button's release: the window sees its children's mouse presses and releases first.
void ScopeWindow::watchChildren() {
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

bool ScopeWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == displayMenu_) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::MouseButtonPress) {
    becomeActive();
  } else if (event->type() == QEvent::MouseButtonRelease && watched == contrastBar_) {
    // The end of a mouse scroll: arrow, page or thumb, the button is up and the value final.
    onContrastScrolled(contrastBar_->value());
  }
  return QWidget::eventFilter(watched, event);
}

void ScopeWindow::mousePressEvent(QMouseEvent* event) {
  becomeActive();
  QWidget::mousePressEvent(event);
}

void ScopeWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    host_.scopeWindowClosed(slot_);
  }
  QWidget::closeEvent(event);
}

void ScopeWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (size() != windowSize()) resize(windowSize());
}

void ScopeWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (size() != windowSize()) resize(windowSize());
}

QSize ScopeWindow::windowSize() const {
  const int grow = displayArea_->zoom() - 1;
  return {kWidth + grow * ScopeDisplay::kAreaWidth, kHeight + grow * ScopeDisplay::kAreaHeight};
}

int ScopeWindow::displayScale() const {
  return displayArea_->zoom();
}

// The display grows to the right and down; what stands beside it moves right, what stands below
// it moves down, and the contrast bar stays as tall as the display.
void ScopeWindow::setDisplayScale(int scale) {
  displayArea_->setZoom(scale >= 1 && scale <= 3 ? scale : 1);
  const QSize grow = windowSize() - QSize(kWidth, kHeight);
  const QRect display = displayArea_->parentWidget()->geometry();
  for (auto [widget, place] : scopeLayout_) {
    QRect r = place;
    if (widget == displayArea_->parentWidget() || widget == contrastBar_) {
      r.setBottom(r.bottom() + grow.height());
    }
    if (widget == displayArea_->parentWidget()) {
      r.setRight(r.right() + grow.width());
    } else if (place.left() > display.left() + ScopeDisplay::kAreaWidth) {
      r.translate(grow.width(), 0);
    } else if (place.top() > display.top() + ScopeDisplay::kAreaHeight) {
      r.translate(0, grow.height());
    }
    widget->setGeometry(r);
  }
  setFixedSize(windowSize());
  pages_->setGeometry(0, 0, width(), height());
  showKeyChoice();
}

// --- Data arrival and the picture.

void ScopeWindow::receiveRecord(const WaveformBlock& block) {
  // The loop hands the same record over again while nothing new arrived; with the window as the
  // last arrival left it, everything below would come out as it stands.
  if (arrivalShown_ && block == arrived_ && record_ == recordAfterArrival_ &&
      state_ == stateAfterArrival_) {
    return;
  }
  const WaveformBlock copy = block;  // the source may be this window's own record
  record_ = copy;
  showScopeInformation();
  AcceptArrivingRecord(record_, state_);
  // The boxes are what the picture and the measurements read; they hold the record's indices.
  state_.displayCh1VoltDiv = ch1VoltsBox_->currentIndex();
  state_.displayCh2VoltDiv = ch2VoltsBox_->currentIndex();
  state_.displayTimeDiv = timeDivBox_->currentIndex();
  if (QAbstractButton* button = gridButtons_->button(int(state_.grid))) button->setChecked(true);
  showMeasurements();
  // Arrival resets the tags a keyboard drag may be moving; Escape then returns to these.
  keyDragStart_.ch1Position = state_.ch1Position;
  keyDragStart_.ch2Position = state_.ch2Position;
  keyDragStart_.arithPosition = state_.arithPosition;
  redrawDisplay();
  arrived_ = copy;
  recordAfterArrival_ = record_;
  stateAfterArrival_ = state_;
  arrivalShown_ = true;
}

void ScopeWindow::showScopeInformation() {
  ScopeInformation shown = std::move(info_);
  info_ = FillScopeInformation(record_, shown);
  setItems(ch1VoltsBox_, info_.ch1VoltDivItems, shown.ch1VoltDivItems, info_.ch1VoltDivSelection);
  setItems(ch2VoltsBox_, info_.ch2VoltDivItems, shown.ch2VoltDivItems, info_.ch2VoltDivSelection);
  setItems(timeDivBox_, info_.timeDivItems, shown.timeDivItems, info_.timeDivSelection);
  const std::pair<QLabel*, const std::string*> texts[] = {
      {ch1VoltDivLabel_, &info_.ch1VoltDiv},     {ch1CouplingLabel_, &info_.ch1Coupling},
      {ch2VoltDivLabel_, &info_.ch2VoltDiv},     {ch2CouplingLabel_, &info_.ch2Coupling},
      {triggerModeLabel_, &info_.triggerMode},   {triggerSourceLabel_, &info_.triggerSource},
      {triggerSlopeLabel_, &info_.triggerSlope}, {triggerCouplingLabel_, &info_.triggerCoupling},
      {timeDivLabel_, &info_.timeDiv},           {triggerLevelLabel_, &info_.triggerLevel}};
  for (auto [label, text] : texts) label->setText(QString::fromStdString(*text));
}

void ScopeWindow::showMeasurements() {
  const DisplayScales scales{state_.displayCh1VoltDiv, state_.displayCh2VoltDiv,
                             state_.displayTimeDiv};
  measurements_ = MeasureChannels(record_, scales);
  const Measurements& m = measurements_;
  for (std::size_t ch = 0; ch < 2; ++ch) {
    const ChannelMeasurements& c = m.channel[ch];
    const std::string* texts[9] = {&c.pp,   &c.rms,    &c.mean,   &c.freq,  &c.rise,
                                   &c.fall, &c.period, &c.pwidth, &c.nwidth};
    for (std::size_t i = 0; i < 9; ++i) {
      measureLabels_[ch][i]->setText(QString::fromStdString(*texts[i]));
    }
  }
}

void ScopeWindow::showCursorReadouts() {
  const CursorReadouts r = UpdateCursorReadouts(record_, state_);
  timeDeltaLabel_->setText(QString::fromStdString(r.timeDelta));
  frequencyLabel_->setText(QString::fromStdString(r.frequency));
  time1Label_->setText(QString::fromStdString(r.time1));
  time2Label_->setText(QString::fromStdString(r.time2));
  ch1VoltDeltaLabel_->setText(QString::fromStdString(r.ch1VoltDelta));
  ch2VoltDeltaLabel_->setText(QString::fromStdString(r.ch2VoltDelta));
}

void ScopeWindow::redrawDisplay() {
  ComposeDisplay(bitmap_, record_, state_, host_.colors());
  displayArea_->showSurface(bitmap_);
  showCursorReadouts();
  showKeyChoice();
}

void ScopeWindow::setArithmeticMode(int mode) {
  ApplyArithmeticMode(record_, state_, mode);
  showMeasurements();
  redrawDisplay();
}

ScopeInformation ScopeWindow::scopeInformation() const {
  ScopeInformation shown = info_;
  shown.ch1VoltDivSelection = ch1VoltsBox_->currentIndex();
  shown.ch2VoltDivSelection = ch2VoltsBox_->currentIndex();
  shown.timeDivSelection = timeDivBox_->currentIndex();
  return shown;
}

}  // namespace corvane
