#include "app/port_dialog.h"

#include <sys/stat.h>

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/component_names.h"
#include "scope/widgets/widget_names.h"
#include "storage/program_settings.h"

namespace corvane {
namespace {

QButtonGroup* addRadioGroup(QWidget* dialog, QVBoxLayout* column, const QString& caption,
                            const QStringList& choices, int columns, int selected) {
  auto* box = new QGroupBox(caption, dialog);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(8, 2, 8, 2);
  grid->setVerticalSpacing(0);
  auto* group = new QButtonGroup(box);
  for (int i = 0; i < choices.size(); ++i) {
    auto* button = new QRadioButton(choices[i], box);
    group->addButton(button, i);
    grid->addWidget(button, i / columns, i % columns);
  }
  // An index the dialog has no button for (a hand-edited settings file) shows no selection.
  if (QAbstractButton* button = group->button(selected)) button->setChecked(true);
  // Each group as tall as its rows of choices.
  column->addWidget(box, (static_cast<int>(choices.size()) + columns - 1) / columns);
  return group;
}

uint8_t selectedIndex(const QButtonGroup* group, uint8_t fallback) {
  int id = group->checkedId();
  return id < 0 ? fallback : static_cast<uint8_t>(id);
}

bool nodeExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool namesDevice(const std::string& path, const SerialDeviceInfo& d) {
  return sameDevice(path, d.path) || sameDevice(path, d.stableName);
}

// "ttyUSB0 - FTDI FT232R USB UART, USB 0403:6001, serial A1B2C3"
QString shownName(const SerialDeviceInfo& d) {
  const std::string description = d.description();
  return QString::fromStdString(description.empty() ? d.kernelName
                                                    : d.kernelName + " \u2013 " + description);
}

std::string absoluteDevice(std::string path) {
  if (!path.empty() && path.find('/') == std::string::npos) path = "/dev/" + path;
  return path;
}

}  // namespace

QComboBox* PortDialog::addDeviceRow(QWidget* box, int row, const QString& caption,
                                    const std::string& current) {
  auto* grid = static_cast<QGridLayout*>(box->layout());
  auto* label = new QLabel(caption, box);
  auto* choice = new QComboBox(box);
  choice->setEditable(true);
  choice->setInsertPolicy(QComboBox::NoInsert);
  // The descriptions are long; the field shows their start and the list opens wide enough.
  choice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  choice->setMinimumContentsLength(12);
  label->setBuddy(choice);
  grid->addWidget(label, row, 0);
  grid->addWidget(choice, row, 1);

  int selected = -1;
  for (const SerialDeviceInfo& d : present_) {
    const QString stored = QString::fromStdString(d.preferredName());
    choice->addItem(shownName(d), stored);
    const std::string description = d.description();
    choice->setItemData(
        choice->count() - 1,
        description.empty() ? stored : stored + "\n" + QString::fromStdString(description),
        Qt::ToolTipRole);
    if (selected < 0 && !current.empty() && namesDevice(current, d)) selected = choice->count() - 1;
  }
  if (selected < 0 && !current.empty()) {
    // A device the scan does not list: a pseudo-terminal, a typed path, or one unplugged.
    const QString path = QString::fromStdString(current);
    choice->insertItem(0, nodeExists(current) ? path : path + " (not present)", path);
    choice->setItemData(0, path, Qt::ToolTipRole);
    selected = 0;
  }
  if (selected >= 0) choice->setCurrentIndex(selected);
  choice->view()->setMinimumWidth(choice->view()->sizeHintForColumn(0) + 24);
  // The start of a long name says most; the whole name is in the tooltip.
  auto showTip = [choice](int index) {
    choice->setToolTip(choice->itemData(index, Qt::ToolTipRole).toString());
    choice->lineEdit()->setCursorPosition(0);
  };
  connect(choice, &QComboBox::currentIndexChanged, choice, showTip);
  showTip(choice->currentIndex());
  return choice;
}

std::string PortDialog::chosenDevice(const QComboBox* choice) const {
  const QString text = choice->currentText().trimmed();
  if (text.isEmpty()) return {};
  const int listed = choice->findText(text);
  if (listed >= 0) return choice->itemData(listed).toString().toStdString();
  return storedDeviceName(absoluteDevice(text.toStdString()), present_);
}

void PortDialog::markSelectedPort(int portIndex) {
  for (int i = 0; i < PortDevices::kPortCount; ++i) {
    QFont f = comCaptions_[i]->font();
    f.setBold(i == portIndex);
    comCaptions_[i]->setFont(f);
  }
}

namespace {}  // namespace

PortDialog::PortDialog(const PortSettings& current, const PortDeviceChoice& devices,
                       std::vector<SerialDeviceInfo> present, QWidget* parent)
    : QDialog(parent), present_(std::move(present)) {
  setWindowTitle(QStringLiteral("Comm. Port Setup."));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  QFont arial(QStringLiteral("Arial"));
  arial.setPixelSize(12);
  setFont(arial);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 4, 6, 6);
  column->setSpacing(2);
  portGroup_ = addRadioGroup(this, column, QStringLiteral("Comm Port"),
                             {"COM 1", "COM 2", "COM 3", "COM 4"}, 4, current.portIndex);
  baudGroup_ =
      addRadioGroup(this, column, QStringLiteral("Baud Rate"),
                    {"1200 bps", "2400 bps", "4800 bps", "9600 bps", "19200 bps", "38400 bps"}, 3,
                    current.baudIndex);
  parityGroup_ = addRadioGroup(this, column, QStringLiteral("Parity"), {"NONE", "EVEN", "ODD"}, 3,
                               current.parityIndex);

  // The devices sit below the fixed choices; the caption in bold is the port chosen above.
  auto* devicesBox = new QGroupBox(QStringLiteral("Devices"), this);
  auto* deviceGrid = new QGridLayout(devicesBox);
  deviceGrid->setContentsMargins(8, 2, 8, 4);
  deviceGrid->setVerticalSpacing(2);
  deviceGrid->setColumnStretch(1, 1);
  for (int p = 1; p <= PortDevices::kPortCount; ++p) {
    const QString caption = QStringLiteral("COM %1").arg(p);
    QComboBox* choice = addDeviceRow(devicesBox, p - 1, caption, devices.comPorts.path(p));
    choice->setObjectName(QStringLiteral("com%1Device").arg(p));
    choice->setAccessibleName(caption + QStringLiteral(" device"));
    comCaptions_[p - 1] = static_cast<QLabel*>(deviceGrid->itemAtPosition(p - 1, 0)->widget());
    comDeviceChoices_[p - 1] = choice;
  }
  usbDeviceChoice_ =
      addDeviceRow(devicesBox, PortDevices::kPortCount, QStringLiteral("USB"), devices.usbDevice);
  usbDeviceChoice_->insertItem(0, QStringLiteral("First FTDI device"), QString());
  if (devices.usbDevice.empty()) usbDeviceChoice_->setCurrentIndex(0);
  usbDeviceChoice_->setObjectName(QStringLiteral("usbDevice"));
  usbDeviceChoice_->setAccessibleName(QStringLiteral("USB bridge device"));
  column->addWidget(devicesBox, 0);
  markSelectedPort(current.portIndex);
  connect(portGroup_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) markSelectedPort(id);
  });

  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  setTextColor(close, Qt::blue);
  close->setDefault(true);
  bottom->addWidget(close);
  column->addLayout(bottom);
  connect(close, &QPushButton::clicked, this, &PortDialog::storeAndClose);

  // Component names; each radio group's box holds its buttons.
  nameComponents({
      {portGroup_->parent(), "RadioGroup1"},
      {baudGroup_->parent(), "RadioGroup2"},
      {parityGroup_->parent(), "RadioGroup3"},
      {close, "ToolbarButton971"},
  });
  stored_.reset();
  storedDefaults_ = current;
  // The fixed choices keep their 320 x 224; the devices add their own height.
  setFixedSize(320, 224 + column->spacing() + devicesBox->sizeHint().height());
}

void PortDialog::storeAndClose() {
  PortSettings s = storedDefaults_;
  s.portIndex = selectedIndex(portGroup_, s.portIndex);
  s.baudIndex = selectedIndex(baudGroup_, s.baudIndex);
  s.parityIndex = selectedIndex(parityGroup_, s.parityIndex);
  s.stopBitsIndex = 0;
  stored_ = s;
  PortDeviceChoice d;
  for (int p = 1; p <= PortDevices::kPortCount; ++p) {
    d.comPorts.set(p, chosenDevice(comDeviceChoices_[p - 1]));
  }
  d.usbDevice = absoluteDevice(chosenDevice(usbDeviceChoice_));
  storedDevices_ = d;
  accept();
}

}  // namespace corvane
