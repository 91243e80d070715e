// The scope window: one record shown on its display area with the settings, measurements and
// cursor readouts around it, the instrument's screen image and the operator's notes. It forwards
// every event to the Qt-free core (display composition, cursor drags, status texts,
// measurements) and asks the main window for everything else through ScopeHost.
#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/measurements.h"
#include "analysis/waveform_block.h"
#include "scope/cursor_drag.h"
#include "scope/display_bitmap.h"
#include "scope/status_texts.h"
#include "scope/widgets/scope_host.h"
#include "scope/window_state.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QMouseEvent;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;

namespace corvane {

class ScopeDisplay;

class ScopeWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 600;
  static constexpr int kHeight = 484;
  enum Page { ScopePage = 0, ImageViewPage = 1, NotesPage = 2 };

  // Builds the window and shows the initial record of a new window.
  ScopeWindow(ScopeHost& host, int slot, QWidget* parent = nullptr);
  ~ScopeWindow() override;

  // --- Called by the main window.
  // Data arrival: stores a copy (the block may be this window's own record), then status texts,
  // display scales, grid, marker values, measurements, arithmetic trace and the picture.
  void ReceiveBlock(const WaveformBlock& block);
  // The Math > Arithmetic choice for this window, after the main window sent it.
  void SetArithmeticMode(int mode);
  // Recomposes the picture (also after the colour slots changed) and refreshes the readouts.
  void RedrawDisplay();
  // The window became active (or was clicked): it becomes active and target window, and the
  // current page's action runs.
  void FormActivate();
  // The capture answer arrived: the file goes into the image page; "Save &As" and "&Capture"
  // become usable (also when the file cannot be read, so the operator can try again).
  void ShowCapturedImage(const std::filesystem::path& file);
  // "RUN" as after a lost USB link: caption "RUN" in blue, disabled; "Setup Para." usable.
  void resetRunButton();
  // "RUN" in blue and "Setup Para." usable, the button staying usable; for a loop the main
  // window stopped on this window's behalf.
  void setRunButtonStopped();

  const WaveformBlock& record() const { return record_; }
  const WindowState& windowState() const { return state_; }
  int slot() const { return slot_; }
  const DisplayBitmap& displayBitmap() const { return bitmap_; }
  // Notes lines, one per line of the editor; an empty editor has none.
  std::vector<std::string> notesLines() const;
  void setNotesLines(const std::vector<std::string>& lines);
  bool captureButtonEnabled() const;
  void setCaptureButtonEnabled(bool enable);
  int currentPage() const;
  // The transfer lock keeps the page from changing while the instrument is busy.
  void setPageTabsEnabled(bool enable);
  // The status texts with the display-scale boxes' current selections, and the measurement
  // labels as they stand, for the printed report.
  ScopeInformation scopeInformation() const;
  const Measurements& measurements() const { return measurements_; }

  // --- Handlers, public so that tests and the main window's menus reach the same paths.
  void ToolbarButton971Click();  // "Setup Para."
  void RealTimeClick();          // "RUN" / "STOP"
  void PageControl1Change();
  void ComboBox1Change();
  void ComboBox2Change();
  void ComboBox3Change();
  void ComboBox4Change();
  void RadioButton3Click(int tag);
  void ScrollBar1Scroll(int position);  // end of a contrast scroll
  void CH1DisplayONOFF1Click();
  void CH2DisplayONOFF1Click();
  void MergeDisplayONOFF1Click();
  void RecallDisplayONOFF1Click();
  void GoNogoONOFF1Click();
  void ScopeDMMDataSave1Click();
  void ScopeScreenCapture1Click();
  void BMPCaptClick();
  void BMPSaveClick();
  // Ctrl+H, N, O, S, P, X, C; true when the key was one of them.
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void buildScopePage(QWidget* page);
  void buildImagePage(QWidget* page);
  void buildNotesPage(QWidget* page);
  void buildPopupMenu();
  void watchChildren();

  void PaintBox1MouseDown(QMouseEvent* event, QPoint at);
  void PaintBox1MouseMove(QMouseEvent* event, QPoint at);
  void PaintBox1MouseUp(QMouseEvent* event, QPoint at);
  void applyDragStep(const DragStep& step);

  void showScopeInformation();
  void showMeasurements();
  void showCursorReadouts();
  void setupLoadEnded();
  void setRunCaption(const QString& caption, bool running);

  ScopeHost& host_;
  const int slot_;
  WaveformBlock record_;
  WindowState state_;
  ScopeInformation info_;
  Measurements measurements_;
  DisplayBitmap bitmap_;   // the composed picture
  DisplayBitmap display_;  // what a cursor drag shows: the bitmap plus the dragged cursors
  CursorDrag drag_;
  bool loading_ = false;
  bool closed_ = false;
  bool activating_ = false;

  QTabWidget* PageControl1 = nullptr;
  ScopeDisplay* PaintBox1 = nullptr;
  QScrollBar* ScrollBar1 = nullptr;
  QLabel *C1A, *C1B, *CM1, *CM2, *Cm3, *CM4, *C2A, *C2B, *CT1, *CT2;
  // Per channel: P.P, RMS, MEAN, FREQ., RISE T, FALL T, PERIOD, +WIDTH, -WIDTH.
  std::array<std::array<QLabel*, 9>, 2> measureLabels_{};
  QLabel *C_DX, *C_Freq, *C_X1, *C_X2, *C_DY, *C_DY2;
  QButtonGroup* gridButtons_ = nullptr;
  QRadioButton *RadioButton1, *RadioButton2, *RadioButton3;
  QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4;
  QPushButton* ToolbarButton971 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QLabel* Image5 = nullptr;
  QPushButton* BMPSave = nullptr;
  QPushButton* BMPCapt = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
};

}  // namespace corvane
