// "Comm. Port Setup.": port, rate and parity as three radio groups, and below them the device
// behind each of COM 1 to COM 4 and the USB bridge. Returns the choices when closed with "&Close";
// the close box stores nothing.
#pragma once

#include <QDialog>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "link/port_devices.h"
#include "link/serial_device_list.h"
#include "protocol/connection_selection.h"

class QButtonGroup;
class QComboBox;
class QLabel;

namespace corvane {

struct PortDeviceChoice {
  PortDevices comPorts;
  std::string usbDevice;  // empty: the first FTDI device the kernel offers
};

struct PortChoice {
  PortSettings settings;
  PortDeviceChoice devices;
};

class PortDialog : public QDialog {
 public:
  // `present`: the serial devices to offer (listSerialDevices); any other path can be typed.
  explicit PortDialog(const PortSettings& current, const PortDeviceChoice& devices = {},
                      std::vector<SerialDeviceInfo> present = {}, QWidget* parent = nullptr);
  const std::optional<PortSettings>& stored() const { return stored_; }
  // The devices as chosen, by the names to store (stable ones where they exist).
  const std::optional<PortDeviceChoice>& storedDevices() const { return storedDevices_; }

  QComboBox* comDeviceChoice(int portNumber) const { return comDeviceChoices_.at(portNumber - 1); }
  QComboBox* usbDeviceChoice() const { return usbDeviceChoice_; }

 private:
  void storeAndClose();
  QComboBox* addDeviceRow(QWidget* box, int row, const QString& caption,
                          const std::string& current);
  std::string chosenDevice(const QComboBox* choice) const;
  void markSelectedPort(int portIndex);

  QButtonGroup* portGroup_;
  QButtonGroup* baudGroup_;
  QButtonGroup* parityGroup_;
  std::array<QLabel*, PortDevices::kPortCount> comCaptions_{};
  std::array<QComboBox*, PortDevices::kPortCount> comDeviceChoices_{};
  QComboBox* usbDeviceChoice_ = nullptr;
  std::vector<SerialDeviceInfo> present_;
  std::optional<PortSettings> stored_;
  std::optional<PortDeviceChoice> storedDevices_;
  PortSettings storedDefaults_;
};

}  // namespace corvane
