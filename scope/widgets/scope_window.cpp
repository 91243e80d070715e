#include "scope/widgets/scope_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDate>
#include <QFrame>
#include <QGroupBox>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "analysis/measurements.h"
#include "scope/arith_trace.h"
#include "scope/cursor_readouts.h"
#include "scope/display_compose.h"
#include "scope/display_render.h"
#include "scope/widgets/scope_display.h"
#include "scope/widgets/widget_names.h"
#include "storage/bmp_file.h"
#include "storage/data_file.h"

namespace corvane {
namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kNavy(0, 0, 128);

constexpr std::size_t kScreenImageSize = 9662;  // the instrument's screen bitmap

QFont arial(int pixelSize, bool bold = false) {
  QFont font;
  font.setFamilies({"Arial", "Liberation Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

void setCaption(QAbstractButton* button, const QString& caption, const QColor& color) {
  button->setText(caption);
  button->setAccessibleName(QString(caption).remove('&'));
  setTextColor(button, color);
}

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

QLabel* readout(QWidget* parent, const char* name, QRect geometry) {
  QLabel* l = nameWidget(label(parent, "", geometry), name);
  l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  l->setAutoFillBackground(true);
  l->setBackgroundRole(QPalette::Base);
  return l;
}

QComboBox* dropDown(QWidget* parent, const char* name, QRect geometry) {
  auto* box = nameWidget(new QComboBox(parent), name);
  box->setGeometry(geometry);
  box->setMaxVisibleItems(12);
  return box;
}

// Notes files from older programs may hold Latin-1 text; anything that is valid UTF-8 is read as
// such, anything else byte for byte.
QString notesLineText(const std::string& line) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(QByteArrayView(line.data(), qsizetype(line.size())));
  if (utf8.hasError()) return QString::fromLatin1(line.data(), qsizetype(line.size()));
  return text;
}

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
  setFont(arial(12));
  setFixedSize(kWidth, kHeight);

  PageControl1 = nameWidget(new QTabWidget(this), "PageControl1");
  PageControl1->setGeometry(0, 0, kWidth, kHeight);
  auto* scopePage = new QWidget;
  auto* imagePage = new QWidget;
  auto* notesPage = new QWidget;
  PageControl1->addTab(scopePage, "Scope");
  PageControl1->addTab(imagePage, "ImageView");
  PageControl1->addTab(notesPage, "Notes");
  buildScopePage(scopePage);
  buildImagePage(imagePage);
  buildNotesPage(notesPage);
  buildPopupMenu();
  connect(PageControl1, &QTabWidget::currentChanged, this, &ScopeWindow::PageControl1Change);

  watchChildren();
  display_ = bitmap_;
  ReceiveBlock(MakeNewWindowRecord());
}

ScopeWindow::~ScopeWindow() = default;

void ScopeWindow::buildScopePage(QWidget* page) {
  // Display area in a lowered double bevel, contrast bar beside it.
  auto* bevel = new QFrame(page);
  bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bevel->setLineWidth(2);
  bevel->setGeometry(4, 4, 325, 259);
  PaintBox1 = nameWidget(new ScopeDisplay(bevel), "PaintBox1");
  PaintBox1->setGeometry(2, 2, 321, 255);
  PaintBox1->onPress = [this](QMouseEvent* e, QPoint at) { PaintBox1MouseDown(e, at); };
  PaintBox1->onMove = [this](QMouseEvent* e, QPoint at) { PaintBox1MouseMove(e, at); };
  PaintBox1->onRelease = [this](QMouseEvent* e, QPoint at) { PaintBox1MouseUp(e, at); };

  ScrollBar1 = nameWidget(new QScrollBar(Qt::Vertical, page), "ScrollBar1");
  ScrollBar1->setGeometry(331, 4, 17, 259);
  ScrollBar1->setRange(0, 100);
  ScrollBar1->setPageStep(10);
  ScrollBar1->setValue(40);
  ScrollBar1->setToolTip("Contrast Setting (40%)");
  // Keyboard and wheel steps end at once; mouse steps end at the button's release (eventFilter).
  connect(ScrollBar1, &QScrollBar::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove && QApplication::mouseButtons() == Qt::NoButton) {
      ScrollBar1Scroll(ScrollBar1->sliderPosition());
    }
  });

  // "Scope Information": the acquisition settings as short texts.
  auto* info = new QGroupBox("Scope Information", page);
  info->setGeometry(4, 265, 343, 74);
  const int row1 = 18, row2 = 46, h = 20;
  header(info, "CH 1", {4, row1, 36, h});
  C1A = nameWidget(label(info, "???", {40, row1, 56, h}), "C1A");
  C1B = nameWidget(label(info, "???", {96, row1, 34, h}), "C1B");
  header(info, "MODE", {130, row1, 42, h});
  CM1 = nameWidget(label(info, "???", {172, row1, 48, h}), "CM1");
  CM2 = nameWidget(label(info, "???", {220, row1, 40, h}), "CM2");
  Cm3 = nameWidget(label(info, "?", {260, row1, 18, h}), "Cm3");
  CM4 = nameWidget(label(info, "???", {278, row1, 60, h}), "CM4");
  CM4->setFont(arial(11));
  header(info, "CH 2", {4, row2, 36, h});
  C2A = nameWidget(label(info, "???", {40, row2, 56, h}), "C2A");
  C2B = nameWidget(label(info, "???", {96, row2, 34, h}), "C2B");
  header(info, "TIME", {130, row2, 42, h});
  CT1 = nameWidget(label(info, "???", {172, row2, 56, h}), "CT1");
  header(info, "TRG", {228, row2, 36, h});
  CT2 = nameWidget(label(info, "???", {264, row2, 74, h}), "CT2");
  CT2->setFont(arial(9));

  // "Parameter Information": nine measurements per channel.
  auto* params = new QGroupBox("Parameter Information", page);
  params->setGeometry(4, 341, 586, 106);
  static const char* const kColumns[9] = {"P.P",    "RMS",    "MEAN",   "FREQ.", "RISE T",
                                          "FALL T", "PERIOD", "+WIDTH", "-WIDTH"};
  static const char* const kNames[2][9] = {{"CPPCH1", "CRMSCH1", "CMEANCH1", "CFREQCH1", "CRISECH1",
                                            "CFALLCH1", "CPERIODCH1", "CWIDPCH1", "CWIDMCH1"},
                                           {"CPPCH2", "CRMSCH2", "CMEANCH2", "CFREQCH2", "CRISECH2",
                                            "CFALLCH2", "CPERIODCH2", "CWIDPCH2", "CWIDMCH2"}};
  const int colX = 48, colW = 59;
  for (int c = 0; c < 9; ++c) header(params, kColumns[c], {colX + c * colW, 18, colW, h});
  for (int ch = 0; ch < 2; ++ch) {
    const int y = 40 + ch * 30;
    header(params, ch == 0 ? "CH 1" : "CH 2", {4, y, 44, 22});
    for (int c = 0; c < 9; ++c) {
      measureLabels_[std::size_t(ch)][std::size_t(c)] =
          readout(params, kNames[ch][c], {colX + c * colW + 1, y, colW - 2, 22});
      measureLabels_[std::size_t(ch)][std::size_t(c)]->setText("???");
    }
  }

  // Right-hand column, from the top.
  const int rx = 352, rw = 238;
  auto* grid = new QGroupBox("Display Grid", page);
  grid->setGeometry(rx, 0, rw, 44);
  gridButtons_ = new QButtonGroup(this);
  RadioButton1 = nameWidget(new QRadioButton("BOARD", grid), "RadioButton1");
  RadioButton2 = nameWidget(new QRadioButton("CROSS", grid), "RadioButton2");
  RadioButton3 = nameWidget(new QRadioButton("FULL", grid), "RadioButton3");
  QRadioButton* radios[3] = {RadioButton1, RadioButton2, RadioButton3};
  for (int tag = 0; tag < 3; ++tag) {
    radios[tag]->setGeometry(10 + tag * 76, 18, 72, 20);
    radios[tag]->setAccessibleName(radios[tag]->text());
    gridButtons_->addButton(radios[tag], tag);
  }
  connect(gridButtons_, &QButtonGroup::idClicked, this, &ScopeWindow::RadioButton3Click);

  auto* cursors = new QGroupBox("Cursor Position", page);
  cursors->setGeometry(rx, 46, rw, 130);
  const QString delta = QString(QChar(0x0394));
  const char* const kLeft[3] = {"C_DX", "C_X1", "C_DY"};
  const char* const kRight[3] = {"C_Freq", "C_X2", "C_DY2"};
  const QString leftCaptions[3] = {delta + "T", "T1", delta + "V1"};
  const QString rightCaptions[3] = {"1/" + delta + "T", "T2", delta + "V2"};
  QLabel* fields[6];
  for (int r = 0; r < 3; ++r) {
    const int y = 18 + r * 25;
    label(cursors, leftCaptions[r], {4, y, 30, 21});
    fields[2 * r] = readout(cursors, kLeft[r], {34, y, 82, 21});
    label(cursors, rightCaptions[r], {118, y, 34, 21});
    fields[2 * r + 1] = readout(cursors, kRight[r], {152, y, 80, 21});
  }
  C_DX = fields[0];
  C_Freq = fields[1];
  C_X1 = fields[2];
  C_X2 = fields[3];
  C_DY = fields[4];
  C_DY2 = fields[5];
  label(cursors, "Cursor Type", {4, 99, 80, 22}, Qt::AlignLeft | Qt::AlignVCenter);
  ComboBox1 = dropDown(cursors, "ComboBox1", {90, 98, 142, 24});
  ComboBox1->addItems({"None", "Time", "Voltage", "Pair"});
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &ScopeWindow::ComboBox1Change);

  auto* vertical = new QGroupBox("Vertical Voltage Setting", page);
  vertical->setGeometry(rx, 178, rw, 52);
  label(vertical, "CH 1", {4, 22, 32, 22});
  ComboBox2 = dropDown(vertical, "ComboBox2", {36, 20, 80, 24});
  label(vertical, "CH 2", {120, 22, 32, 22});
  ComboBox3 = dropDown(vertical, "ComboBox3", {152, 20, 80, 24});
  connect(ComboBox2, &QComboBox::currentIndexChanged, this, &ScopeWindow::ComboBox2Change);
  connect(ComboBox3, &QComboBox::currentIndexChanged, this, &ScopeWindow::ComboBox3Change);

  auto* horizontal = new QGroupBox("Horizontal Time Setting", page);
  horizontal->setGeometry(rx, 232, rw, 52);
  ComboBox4 = dropDown(horizontal, "ComboBox4", {10, 20, 222, 24});
  connect(ComboBox4, &QComboBox::currentIndexChanged, this, &ScopeWindow::ComboBox4Change);

  ToolbarButton971 = nameWidget(new QPushButton(page), "ToolbarButton971");
  ToolbarButton971->setGeometry(rx, 290, 116, 46);
  setCaption(ToolbarButton971, "Setup Para.", kBlue);
  connect(ToolbarButton971, &QPushButton::clicked, this, &ScopeWindow::ToolbarButton971Click);
  BitBtn1 = nameWidget(new QPushButton(page), "BitBtn1");
  BitBtn1->setGeometry(rx + 122, 290, 116, 46);
  setCaption(BitBtn1, "RUN", kBlue);
  BitBtn1->setEnabled(false);  // usable after the first setup load
  connect(BitBtn1, &QPushButton::clicked, this, &ScopeWindow::RealTimeClick);
}

void ScopeWindow::buildImagePage(QWidget* page) {
  Image5 = nameWidget(new QLabel(page), "Image5");
  Image5->setGeometry(24, 24, 537, 345);
  Image5->setAlignment(Qt::AlignCenter);
  Image5->setScaledContents(false);
  BMPSave = nameWidget(new QPushButton(page), "BMPSave");
  BMPSave->setGeometry(380, 384, 88, 30);
  setCaption(BMPSave, "Save &As", palette().color(QPalette::ButtonText));
  BMPSave->setEnabled(false);  // nothing captured yet
  BMPCapt = nameWidget(new QPushButton(page), "BMPCapt");
  BMPCapt->setGeometry(473, 384, 88, 30);
  setCaption(BMPCapt, "&Capture", palette().color(QPalette::ButtonText));
  connect(BMPSave, &QPushButton::clicked, this, &ScopeWindow::BMPSaveClick);
  connect(BMPCapt, &QPushButton::clicked, this, &ScopeWindow::BMPCaptClick);
}

void ScopeWindow::buildNotesPage(QWidget* page) {
  Memo1 = nameWidget(new QPlainTextEdit(page), "Memo1");
  Memo1->setFont(arial(12, true));
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  auto* fill = new QVBoxLayout(page);
  fill->setContentsMargins(0, 0, 0, 0);
  fill->addWidget(Memo1);
  const QDate today = QDate::currentDate();
  Memo1->setPlainText(QString("Corvane - Notes..   %1- %2- %3")
                          .arg(today.year())
                          .arg(today.month())
                          .arg(today.day()));
}

void ScopeWindow::buildPopupMenu() {
  PopupMenu1 = nameWidget(new QMenu(this), "PopupMenu1");
  connect(PopupMenu1->addAction("Corvane Data Save"), &QAction::triggered, this,
          &ScopeWindow::ScopeDMMDataSave1Click);
  connect(PopupMenu1->addAction("Waveform Capture"), &QAction::triggered, this,
          &ScopeWindow::ScopeScreenCapture1Click);
  PopupMenu1->addSeparator();
  connect(PopupMenu1->addAction("CH1 Waveform ON/OFF"), &QAction::triggered, this,
          &ScopeWindow::CH1DisplayONOFF1Click);
  connect(PopupMenu1->addAction("CH2 Waveform ON/OFF"), &QAction::triggered, this,
          &ScopeWindow::CH2DisplayONOFF1Click);
  connect(PopupMenu1->addAction("Arith Waveform ON/OFF"), &QAction::triggered, this,
          &ScopeWindow::MergeDisplayONOFF1Click);
  QAction* recall = PopupMenu1->addAction("Recall Waveform ON/OFF");
  QAction* goNogo = PopupMenu1->addAction("Go-Nogo Range ON/OFF");
  recall->setVisible(false);
  goNogo->setVisible(false);
  connect(recall, &QAction::triggered, this, &ScopeWindow::RecallDisplayONOFF1Click);
  connect(goNogo, &QAction::triggered, this, &ScopeWindow::GoNogoONOFF1Click);
}

// Key preview and "a click on the window itself": every control's key presses and mouse presses
// pass the window first.
void ScopeWindow::watchChildren() {
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

bool ScopeWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PopupMenu1) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::MouseButtonPress) {
    FormActivate();
  } else if (event->type() == QEvent::MouseButtonRelease && watched == ScrollBar1) {
    // The end of a mouse scroll: arrow, page or thumb, the button is up and the value final.
    ScrollBar1Scroll(ScrollBar1->value());
  } else if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // The notes editor's own copy, cut and paste win over the window's Ctrl+C and Ctrl+X.
    const bool editorKey =
        (watched == Memo1 || watched == Memo1->viewport()) &&
        (key->key() == Qt::Key_C || key->key() == Qt::Key_X || key->key() == Qt::Key_V);
    if (!editorKey && FormKeyDown(key->key(), key->modifiers())) return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool ScopeWindow::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (!(modifiers & Qt::ControlModifier)) return false;
  const std::optional<HostShortcut> shortcut = hostShortcutForKey(key);
  if (!shortcut) return false;
  host_.runShortcut(*shortcut);
  return true;
}

void ScopeWindow::keyPressEvent(QKeyEvent* event) {
  if (!FormKeyDown(event->key(), event->modifiers())) QWidget::keyPressEvent(event);
}

void ScopeWindow::mousePressEvent(QMouseEvent* event) {
  FormActivate();
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
  if (size() != QSize(kWidth, kHeight)) resize(kWidth, kHeight);
}

void ScopeWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (size() != QSize(kWidth, kHeight)) resize(kWidth, kHeight);
}

// --- Data arrival and the picture.

void ScopeWindow::ReceiveBlock(const WaveformBlock& block) {
  const WaveformBlock copy = block;  // the source may be this window's own record
  record_ = copy;
  showScopeInformation();
  AcceptArrivingRecord(record_, state_);
  // The boxes are what the picture and the measurements read; they hold the record's indices.
  state_.displayCh1VoltDiv = ComboBox2->currentIndex();
  state_.displayCh2VoltDiv = ComboBox3->currentIndex();
  state_.displayTimeDiv = ComboBox4->currentIndex();
  if (QAbstractButton* button = gridButtons_->button(int(state_.grid))) button->setChecked(true);
  showMeasurements();
  RedrawDisplay();
}

void ScopeWindow::showScopeInformation() {
  ScopeInformation shown = std::move(info_);
  info_ = FillScopeInformation(record_, shown);
  setItems(ComboBox2, info_.ComboBox2Items, shown.ComboBox2Items, info_.ComboBox2Index);
  setItems(ComboBox3, info_.ComboBox3Items, shown.ComboBox3Items, info_.ComboBox3Index);
  setItems(ComboBox4, info_.ComboBox4Items, shown.ComboBox4Items, info_.ComboBox4Index);
  const std::pair<QLabel*, const std::string*> texts[] = {
      {C1A, &info_.C1A}, {C1B, &info_.C1B}, {C2A, &info_.C2A}, {C2B, &info_.C2B},
      {CM1, &info_.CM1}, {CM2, &info_.CM2}, {Cm3, &info_.Cm3}, {CM4, &info_.CM4},
      {CT1, &info_.CT1}, {CT2, &info_.CT2}};
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
  C_DX->setText(QString::fromStdString(r.C_DX));
  C_Freq->setText(QString::fromStdString(r.C_Freq));
  C_X1->setText(QString::fromStdString(r.C_X1));
  C_X2->setText(QString::fromStdString(r.C_X2));
  C_DY->setText(QString::fromStdString(r.C_DY));
  C_DY2->setText(QString::fromStdString(r.C_DY2));
}

void ScopeWindow::RedrawDisplay() {
  ComposeDisplay(bitmap_, record_, state_, host_.colors());
  PaintBox1->showSurface(bitmap_);
  showCursorReadouts();
}

void ScopeWindow::SetArithmeticMode(int mode) {
  ApplyArithmeticMode(record_, state_, mode);
  showMeasurements();
  RedrawDisplay();
}

void ScopeWindow::RadioButton3Click(int tag) {
  if (tag < 0 || tag > 2) return;
  state_.grid = GridKind(tag);
  RedrawDisplay();
}

void ScopeWindow::ComboBox1Change() {
  state_.cursors.type = CursorType(std::clamp(ComboBox1->currentIndex(), 0, 3));
  RedrawDisplay();
}

void ScopeWindow::ComboBox2Change() {
  state_.displayCh1VoltDiv = ComboBox2->currentIndex();
  showCursorReadouts();
  RedrawDisplay();
}

void ScopeWindow::ComboBox3Change() {
  state_.displayCh2VoltDiv = ComboBox3->currentIndex();
  showCursorReadouts();
  RedrawDisplay();
}

void ScopeWindow::ComboBox4Change() {
  state_.displayTimeDiv = ComboBox4->currentIndex();
  showCursorReadouts();
  RedrawDisplay();
}

// --- Popup toggles: flags in the record, so they are saved with it.

void ScopeWindow::CH1DisplayONOFF1Click() {
  record_.setCh1Hidden(record_.Ch1Hidden() == 0 ? 1 : 0);
  RedrawDisplay();
}

void ScopeWindow::CH2DisplayONOFF1Click() {
  record_.setCh2Hidden(record_.Ch2Hidden() == 0 ? 1 : 0);
  RedrawDisplay();
}

void ScopeWindow::MergeDisplayONOFF1Click() {
  record_.setArithShown(record_.ArithShown() == 1 ? 0 : 1);
  RedrawDisplay();
}

void ScopeWindow::RecallDisplayONOFF1Click() {
  record_.setRecallShown(record_.RecallShown() ^ 1);
  RedrawDisplay();
}

void ScopeWindow::GoNogoONOFF1Click() {
  record_.setLimitsHidden(record_.LimitsHidden() == 1 ? 0 : 1);
  RedrawDisplay();
}

// --- Pointer on the display area.

void ScopeWindow::PaintBox1MouseDown(QMouseEvent* event, QPoint at) {
  if (event->button() == Qt::RightButton) {
    PopupMenu1->popup(event->globalPosition().toPoint());
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  // A grabbed cursor leaves the bitmap without cursors; the display keeps showing them until
  // the first move.
  if (state_.cursors.type != CursorType::None) display_ = bitmap_;
  drag_.mouseDown(at.x(), at.y(), record_, state_, bitmap_, host_.colors());
  if (drag_.dragging() && drag_.target() == DragTarget::Cursor) PaintBox1->showSurface(display_);
}

void ScopeWindow::PaintBox1MouseMove(QMouseEvent*, QPoint at) {
  if (!drag_.dragging()) return;
  applyDragStep(
      drag_.mouseMove(at.x(), at.y(), record_, state_, bitmap_, display_, host_.colors()));
}

void ScopeWindow::PaintBox1MouseUp(QMouseEvent* event, QPoint at) {
  if (event->button() != Qt::LeftButton || !drag_.dragging()) return;
  const bool cursor = drag_.target() == DragTarget::Cursor;
  const DragStep step = drag_.mouseUp(at.x(), at.y(), state_);
  if (cursor) {
    ComboBox1Change();
    return;
  }
  applyDragStep(step);
}

void ScopeWindow::applyDragStep(const DragStep& step) {
  if (step.showBitmap) PaintBox1->showSurface(bitmap_);
  if (step.showDisplay) PaintBox1->showSurface(display_);
  if (step.updateReadouts) showCursorReadouts();
  if (step.redraw) RedrawDisplay();
  if (step.send) {
    // The instrument takes 16-bit words; a value dragged beyond the display goes as its word.
    const auto value = static_cast<uint16_t>(step.send->value);
    if (step.send->kind == 0) {
      host_.SendSetting(value, static_cast<uint16_t>(step.send->code));
    } else {
      host_.SendPosition(value, step.send->kind);
    }
  }
}

void ScopeWindow::ScrollBar1Scroll(int position) {
  host_.SendPosition(static_cast<uint16_t>(position), 0);
  ScrollBar1->setToolTip(QString("Contrast Setting (%1%)").arg(position));
}

// --- "Setup Para." and "RUN".

void ScopeWindow::ToolbarButton971Click() {
  if (loading_ || !host_.LoadFinished()) return;
  const QString caption = ToolbarButton971->text();
  const QPalette palette = ToolbarButton971->palette();
  host_.setScopeWindowsEnabled(false);
  setCaption(ToolbarButton971, "LOADING  ...", kRed);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  loading_ = true;

  // The load ends later, from the event loop; the window may be gone by then.
  auto ended = std::make_shared<bool>(false);
  QPointer<ScopeWindow> self(this);
  ScopeHost& host = host_;
  const bool started = host_.LoadSetup(slot_, [ended, self, &host] {
    if (*ended) return;
    *ended = true;
    QApplication::restoreOverrideCursor();
    if (self) {
      self->setupLoadEnded();
    } else {
      host.setScopeWindowsEnabled(true);
    }
  });
  if (!started && !*ended) {
    // Refused: everything as it was.
    *ended = true;
    loading_ = false;
    QApplication::restoreOverrideCursor();
    host_.setScopeWindowsEnabled(true);
    setCaption(ToolbarButton971, caption, palette.color(QPalette::ButtonText));
  }
}

void ScopeWindow::setupLoadEnded() {
  loading_ = false;
  host_.setScopeWindowsEnabled(true);
  setCaption(ToolbarButton971, "Setup Para.", kBlue);
  BitBtn1->setEnabled(true);
}

void ScopeWindow::setRunCaption(const QString& caption, bool running) {
  setCaption(BitBtn1, caption, running ? kRed : kBlue);
  ToolbarButton971->setEnabled(!running);
}

void ScopeWindow::RealTimeClick() {
  if (host_.loopRunning()) {
    host_.stopLoop();
    setRunCaption("RUN", false);
  } else {
    host_.startLoop();
    setRunCaption("STOP", true);
  }
}

void ScopeWindow::resetRunButton() {
  setRunCaption("RUN", false);
  BitBtn1->setEnabled(false);
}

void ScopeWindow::setRunButtonStopped() {
  setRunCaption("RUN", false);
}

// --- Activation and pages.

void ScopeWindow::FormActivate() {
  if (activating_ || closed_) return;
  activating_ = true;
  host_.activateWindow(slot_);
  PageControl1Change();
  activating_ = false;
}

void ScopeWindow::PageControl1Change() {
  const int page = PageControl1->currentIndex();
  host_.pageChanged(slot_, page);
  if (page == ScopePage) {
    host_.EnableScopeCommands();
  } else if (page == ImageViewPage && host_.loopRunning()) {
    RealTimeClick();
  }
}

int ScopeWindow::currentPage() const {
  return PageControl1->currentIndex();
}

// --- Notes.

std::vector<std::string> ScopeWindow::notesLines() const {
  std::vector<std::string> lines;
  const QTextDocument* document = Memo1->document();
  if (document->isEmpty()) return lines;
  for (QTextBlock b = document->begin(); b.isValid(); b = b.next()) {
    lines.push_back(b.text().toStdString());
  }
  return lines;
}

void ScopeWindow::setNotesLines(const std::vector<std::string>& lines) {
  QStringList text;
  for (const auto& line : lines) text << notesLineText(line);
  Memo1->setPlainText(text.join('\n'));
}

// --- Saves and captures.

void ScopeWindow::ScopeDMMDataSave1Click() {
  const auto path = host_.chooseSaveFile(kDataSaveDialog);
  if (!path) return;
  if (FileStatus status = writeDataFile(*path, record_); !status) {
    host_.showFileError(status.message);
    return;
  }
  if (FileStatus status = writeNotesFile(notesFileName(*path), notesLines()); !status) {
    host_.showFileError(status.message);
    return;
  }
  setWindowTitle(QString::fromStdString(*path));
}

void ScopeWindow::ScopeScreenCapture1Click() {
  const auto path = host_.chooseSaveFile(kPictureSaveDialog);
  if (!path) return;
  // The picture as last composed, exactly what the display shows.
  if (FileStatus status =
          writeBmpFile(*path, DisplayBitmap::width(), DisplayBitmap::height(), bitmap_.data());
      !status) {
    host_.showFileError(status.message);
  }
}

void ScopeWindow::BMPCaptClick() {
  const bool saveWasEnabled = BMPSave->isEnabled();
  BMPSave->setEnabled(false);
  BMPCapt->setEnabled(false);
  if (!host_.captureScreen()) {
    BMPSave->setEnabled(saveWasEnabled);
    BMPCapt->setEnabled(true);
  }
}

void ScopeWindow::BMPSaveClick() {
  const auto path = host_.chooseSaveFile(kPictureSaveDialog);
  if (!path) return;
  // The main window's buffer, not the picture on the page: the instrument's own bytes.
  const std::span<const uint8_t> buffer = host_.captureBuffer();
  const std::size_t size = std::min(buffer.size(), kScreenImageSize);
  const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), size);
  if (FileStatus status = writeFileReplacing(*path, bytes); !status) {
    host_.showFileError(status.message);
  }
}

void ScopeWindow::ShowCapturedImage(const std::filesystem::path& file) {
  QImageReader reader(QString::fromStdString(file.string()));
  const QImage image = reader.read();
  if (image.isNull()) {
    Image5->clear();  // no stale picture that could pass for the new capture
  } else {
    Image5->setPixmap(QPixmap::fromImage(image));
  }
  BMPSave->setEnabled(true);
  BMPCapt->setEnabled(true);
}

bool ScopeWindow::captureButtonEnabled() const {
  return BMPCapt->isEnabled();
}

void ScopeWindow::setCaptureButtonEnabled(bool enable) {
  BMPCapt->setEnabled(enable);
}

void ScopeWindow::setPageTabsEnabled(bool enable) {
  PageControl1->tabBar()->setEnabled(enable);
}

ScopeInformation ScopeWindow::scopeInformation() const {
  ScopeInformation shown = info_;
  shown.ComboBox2Index = ComboBox2->currentIndex();
  shown.ComboBox3Index = ComboBox3->currentIndex();
  shown.ComboBox4Index = ComboBox4->currentIndex();
  return shown;
}

}  // namespace corvane
