// The print options dialog: which of the report's two pages to print.
#pragma once

#include <QDialog>

#include "print/print_options.h"

class QCheckBox;
class QPushButton;

namespace corvane {

struct PrintSetupResult {
  PrintOptions options;  // the check boxes as they were when the dialog closed
  bool print = false;    // closed with "Print"
};

class PrintOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // The check boxes start from `options`; "Print" has the focus.
  explicit PrintOptionsDialog(const PrintOptions& options, QWidget* parent = nullptr);

  // Runs the dialog modally.
  static PrintSetupResult ask(const PrintOptions& options, QWidget* parent = nullptr);

  // The options stored when the dialog closed (by "Print", "Cancel" or Escape); the starting
  // options while it is open.
  PrintOptions options() const { return stored_; }

  QCheckBox* scopeDataBox = nullptr;  // "Scope Data"
  QCheckBox* notesBox = nullptr;      // "Corvane Notes"
  QPushButton* printButton = nullptr;
  QPushButton* cancelButton = nullptr;

  void reject() override;

 private:
  void storeAndPrint();
  void cancel();
  void storeCheckBoxes();

  PrintOptions stored_;
};

}  // namespace corvane
