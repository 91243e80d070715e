#include "app/port_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/component_names.h"
#include "scope/widgets/widget_names.h"

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

}  // namespace

PortDialog::PortDialog(const PortSettings& current, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Comm. Port Setup."));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  setFixedSize(320, 224);
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
}

void PortDialog::storeAndClose() {
  PortSettings s = storedDefaults_;
  s.portIndex = selectedIndex(portGroup_, s.portIndex);
  s.baudIndex = selectedIndex(baudGroup_, s.baudIndex);
  s.parityIndex = selectedIndex(parityGroup_, s.parityIndex);
  s.stopBitsIndex = 0;
  stored_ = s;
  accept();
}

}  // namespace corvane
