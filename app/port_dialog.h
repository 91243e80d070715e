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
  void storeAndClose();

  QButtonGroup* portGroup_;
  QButtonGroup* baudGroup_;
  QButtonGroup* parityGroup_;
  std::optional<PortSettings> stored_;
  PortSettings storedDefaults_;
};

}  // namespace corvane
