// The About box: program icon, "Corvane", "Version 1.50", and a bold "&Close".
#pragma once

#include <QDialog>

namespace corvane {

class AboutDialog : public QDialog {
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace corvane
