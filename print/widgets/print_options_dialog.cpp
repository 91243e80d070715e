#include "print/widgets/print_options_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "scope/widgets/widget_names.h"

namespace corvane {
namespace {

QCheckBox* boldCheckBox(const char* caption, const char* objectName, bool checked,
                        QWidget* parent) {
  auto* box = new QCheckBox(QLatin1String(caption), parent);
  nameWidget(box, objectName);
  box->setAccessibleName(QLatin1String(caption));
  QFont bold = box->font();
  bold.setBold(true);
  box->setFont(bold);
  // The box sits on the right of its caption.
  box->setLayoutDirection(Qt::RightToLeft);
  box->setChecked(checked);
  return box;
}

}  // namespace

PrintOptionsDialog::PrintOptionsDialog(const PrintOptions& options, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      stored_(options) {
  nameWidget(this, "PrintOptionsDialog");
  setWindowTitle(QStringLiteral("Print Data Setup."));
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPixelSize(13);
  setFont(font);

  auto* strip = new QFrame(this);
  nameWidget(strip, "ToolBar");
  strip->setFrameShape(QFrame::StyledPanel);
  PrintButton = new QPushButton(QStringLiteral("Print"), strip);
  nameWidget(PrintButton, "PrintButton");
  PrintButton->setAccessibleName(QStringLiteral("Print"));
  PrintButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), strip);
  nameWidget(CancelButton, "CancelButton");
  CancelButton->setAccessibleName(QStringLiteral("Cancel"));
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(2, 2, 2, 2);
  stripLayout->addWidget(PrintButton);
  stripLayout->addWidget(CancelButton);
  stripLayout->addStretch();

  auto* panel = new QFrame(this);
  nameWidget(panel, "Panel1");
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  CheckBox1 = boldCheckBox("Scope Data", "CheckBox1", options.waveFormPrint, panel);
  CheckBox2 = boldCheckBox("Corvane Notes", "CheckBox2", options.notesPrint, panel);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->addWidget(CheckBox1, 0, Qt::AlignLeft);
  panelLayout->addWidget(CheckBox2, 0, Qt::AlignLeft);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(strip);
  layout->addWidget(panel);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(PrintButton, &QPushButton::clicked, this, &PrintOptionsDialog::PrintButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &PrintOptionsDialog::CancelButtonClick);
  PrintButton->setFocus();

  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

PrintSetupResult PrintOptionsDialog::ask(const PrintOptions& options, QWidget* parent) {
  PrintOptionsDialog dialog(options, parent);
  const bool print = dialog.exec() == QDialog::Accepted;
  return {dialog.options(), print};
}

void PrintOptionsDialog::storeCheckBoxes() {
  stored_.waveFormPrint = CheckBox1->isChecked();
  stored_.notesPrint = CheckBox2->isChecked();
}

void PrintOptionsDialog::PrintButtonClick() {
  storeCheckBoxes();
  accept();
}

void PrintOptionsDialog::CancelButtonClick() {
  reject();
}

// Escape counts as "Cancel": the check boxes are stored either way.
void PrintOptionsDialog::reject() {
  storeCheckBoxes();
  QDialog::reject();
}

}  // namespace corvane
