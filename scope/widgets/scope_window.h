// The scope window: one record shown on its display area with the settings, measurements and
// cursor readouts around it, the instrument's screen image and the operator's notes. It forwards
// every event to the Qt-free core (display composition, cursor drags, status texts,
// measurements) and asks the main window for everything else through ScopeHost.
//
// Three pages: Scope (display, contrast bar, status texts, measurements, cursors, scale boxes,
// "Setup Para." and "RUN"), ImageView (the instrument's captured screen) and Notes (free text
// saved beside the record). The widgets carry automation ids for screen readers, the GUI tests
// and users' scripts; scope_window_pages.cpp pairs each member with its id in one table. The
// main window's menu shortcuts reach the window like any other part of the main window, except
// that the notes editor, as every Qt text editor, claims Ctrl+C, Ctrl+X and Ctrl+V for its own
// copy, cut and paste. The display area takes the focus after the page tabs: Tab chooses a
// marker or cursor, the arrows drag it as the pointer would, Enter releases.
//
// The implementation is split by concern: scope_window.cpp (construction, record arrival),
// scope_window_controls.cpp ("Setup Para.", "RUN", activation), scope_window_pages.cpp (page layout
// and the id table), scope_window_display.cpp (what changes the picture: scale and cursor boxes,
// grid, popup toggles, pointer drags; the contrast bar) and scope_window_capture.cpp (notes, saving
// and capturing).
#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <optional>
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
class QButtonGroup;
class QComboBox;
class QKeyEvent;
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
  // The window's size at display scale 1; larger scales add the display's growth.
  static constexpr int kWidth = 600;
  static constexpr int kHeight = 484;
  enum Page { ScopePage = 0, ImageViewPage = 1, NotesPage = 2 };

  // Builds the window and shows the initial record of a new window.
  ScopeWindow(ScopeHost& host, int slot, QWidget* parent = nullptr);
  ~ScopeWindow() override;

  // --- Called by the main window.
  // Data arrival: stores a copy (the block may be this window's own record), then status texts,
  // display scales, grid, marker values, measurements, arithmetic trace and the picture. A block
  // equal to the last one, arriving while the window is as that one left it, costs nothing.
  void receiveRecord(const WaveformBlock& block);
  // The Math > Arithmetic choice for this window, after the main window sent it.
  void setArithmeticMode(int mode);
  // Recomposes the picture (also after the colour slots changed) and refreshes the readouts.
  void redrawDisplay();
  // The window became active (or was clicked): it becomes active and target window, and the
  // current page's action runs.
  void becomeActive();
  // The capture answer arrived: the file goes into the image page; "Save &As" and "&Capture"
  // become usable (also when the file cannot be read, so the operator can try again).
  void showCapturedImage(const std::filesystem::path& file);
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
  // The display at 1, 2 or 3 screen pixels per bitmap pixel (anything else is 1); the window
  // grows with it.
  void setDisplayScale(int scale);
  int displayScale() const;

  // --- What the window's controls do; public so that tests reach the same paths.
  // "Setup Para.": loads the instrument's settings and record into this window.
  void startSetupLoad();
  // "RUN" / "STOP": starts or stops the real-time loop.
  void toggleRealTimeLoop();
  // The page tabs: tells the host; the Scope page re-enables the scope commands, and the
  // ImageView page stops a running loop.
  void onPageChanged();
  // The scale and cursor boxes and the grid buttons change only the picture and readouts; the
  // instrument is not told.
  void onCursorTypeChanged();
  void onCh1VoltsChanged();
  void onCh2VoltsChanged();
  void onTimeDivChanged();
  void onGridChosen(int grid);  // a GridKind value
  // The end of a contrast scroll sends the contrast to the instrument.
  void onContrastScrolled(int position);
  // The display's popup menu. The toggles are flags in the record, so they are saved with it.
  void toggleCh1Trace();
  void toggleCh2Trace();
  void toggleArithTrace();
  void toggleRecallTrace();
  void toggleGoNogoLimits();
  void saveData();        // the record and its notes, to files the operator chooses
  void captureDisplay();  // the picture as shown, to a BMP file
  void exportCsv();       // the record's samples, as `corvane-cli export` writes them
  // The ImageView page: asks the instrument for its screen, and saves the bytes it sent.
  void captureInstrumentScreen();
  void saveInstrumentScreen();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void buildScopePage(QWidget* page);
  void buildImagePage(QWidget* page);
  void buildNotesPage(QWidget* page);
  void buildPopupMenu();
  void nameComponents();
  void watchChildren();

  // Pointer on the display area, in bitmap pixels: a right press opens the popup menu, a left
  // press grabs a marker, tag or cursor, which moves with the pointer until the release.
  void onDisplayPressed(QMouseEvent* event, QPoint at);
  void onDisplayDragged(QPoint at);
  void onDisplayReleased(QMouseEvent* event, QPoint at);
  void applyDragStep(const DragStep& step);
  QSize windowSize() const;

  // The display from the keyboard: a chosen handle (one of DragHandles), pressed at its pixel by
  // the first arrow key and moved by a virtual pointer until Enter releases it there.
  bool onDisplayKey(QKeyEvent* event);
  bool cycleKeyChoice(bool forward);
  void chooseFirstHandle(bool forward);
  std::optional<DragHandle> chosenHandle() const;
  void moveKeyPointer(const DragHandle& handle, int dx, int dy);
  void releaseKeyDrag();
  void cancelKeyDrag();
  void showKeyChoice();
  void openDisplayMenu(QPoint globalPosition, bool fromKeyboard);

  void showScopeInformation();
  void showMeasurements();
  void showCursorReadouts();
  void setupLoadEnded();
  void setRunCaption(const QString& caption, bool running);

  ScopeHost& host_;
  const int slot_;
  WaveformBlock record_;
  WindowState state_;
  // The last arrival as handed over, and the record and state it left: a repeat changes nothing.
  WaveformBlock arrived_;
  WaveformBlock recordAfterArrival_;
  WindowState stateAfterArrival_;
  bool arrivalShown_ = false;
  ScopeInformation info_;
  Measurements measurements_;
  DisplayBitmap bitmap_;      // the composed picture
  DisplayBitmap dragBitmap_;  // what a cursor drag shows: the bitmap plus the dragged cursors
  CursorDrag drag_;
  std::optional<DragPick> keyChoice_;
  bool keyDragging_ = false;
  QPoint keyPointer_;
  WindowState keyDragStart_;  // what Escape puts back
  // Direct children of the Scope page with their places at scale 1.
  std::vector<std::pair<QWidget*, QRect>> scopeLayout_;
  bool loading_ = false;
  bool closed_ = false;
  bool activating_ = false;

  QTabWidget* pages_ = nullptr;
  // Scope page.
  ScopeDisplay* displayArea_ = nullptr;
  QScrollBar* contrastBar_ = nullptr;
  // "Scope Information": the record's settings as texts.
  QLabel *ch1VoltDivLabel_, *ch1CouplingLabel_, *ch2VoltDivLabel_, *ch2CouplingLabel_;
  QLabel *triggerModeLabel_, *triggerSourceLabel_, *triggerSlopeLabel_, *triggerCouplingLabel_;
  QLabel *timeDivLabel_, *triggerLevelLabel_;
  // Per channel: P.P, RMS, MEAN, FREQ., RISE T, FALL T, PERIOD, +WIDTH, -WIDTH.
  std::array<std::array<QLabel*, 9>, 2> measureLabels_{};
  // "Cursor Position": delta T, 1/delta T, T1, T2, delta V on CH1 and on CH2.
  QLabel *timeDeltaLabel_, *frequencyLabel_, *time1Label_, *time2Label_;
  QLabel *ch1VoltDeltaLabel_, *ch2VoltDeltaLabel_;
  QButtonGroup* gridButtons_ = nullptr;
  QRadioButton *boardGridButton_, *crossGridButton_, *fullGridButton_;
  QComboBox *cursorTypeBox_, *ch1VoltsBox_, *ch2VoltsBox_, *timeDivBox_;
  QPushButton* setupButton_ = nullptr;
  QPushButton* runButton_ = nullptr;
  QMenu* displayMenu_ = nullptr;
  // ImageView page.
  QLabel* screenImage_ = nullptr;
  QPushButton* saveScreenButton_ = nullptr;
  QPushButton* captureButton_ = nullptr;
  // Notes page.
  QPlainTextEdit* notes_ = nullptr;
};

}  // namespace corvane
