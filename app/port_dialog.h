// "Comm. Port Setup.": port, rate and parity as three radio groups. Returns the chosen indices
// when closed with "&Close"; the close box stores nothing.
#pragma once

#include <QDialog>
#include <optional>

#include "protocol/connection_selection.h"

class QButtonGroup;

namespace corvane {

class PortDialog : public QDialog {
 public:
  explicit PortDialog(const PortSettings& current, QWidget* parent = nullptr);
  const std::optional<PortSettings>& stored() const { return stored_; }

 private:
  void ToolbarButton971Click();

  QButtonGroup* RadioGroup1_;
  QButtonGroup* RadioGroup2_;
  QButtonGroup* RadioGroup3_;
  std::optional<PortSettings> stored_;
  PortSettings storedDefaults_;
};

}  // namespace corvane
