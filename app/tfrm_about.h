// The About box: program icon, "Corvane", "Version 1.50", and a bold "&Close".
#pragma once

#include <QDialog>

namespace corvane {

class TfrmAbout : public QDialog {
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);
};

}  // namespace corvane
