#include "print/widgets/print_options_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <utility>

#include "scope/widgets/widget_names.h"

namespace corvane {
namespace {

QCheckBox* boldCheckBox(const char* caption, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(QLatin1String(caption), parent);
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
  setWindowTitle(QStringLiteral("Print Data Setup."));
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPixelSize(13);
  setFont(font);

  auto* strip = new QFrame(this);
  strip->setFrameShape(QFrame::StyledPanel);
  printButton = new QPushButton(QStringLiteral("Print"), strip);
  printButton->setAccessibleName(QStringLiteral("Print"));
  printButton->setDefault(true);
  cancelButton = new QPushButton(QStringLiteral("Cancel"), strip);
  cancelButton->setAccessibleName(QStringLiteral("Cancel"));
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(2, 2, 2, 2);
  stripLayout->addWidget(printButton);
  stripLayout->addWidget(cancelButton);
  stripLayout->addStretch();

  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  scopeDataBox = boldCheckBox("Scope Data", options.waveFormPrint, panel);
  notesBox = boldCheckBox("Corvane Notes", options.notesPrint, panel);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->addWidget(scopeDataBox, 0, Qt::AlignLeft);
  panelLayout->addWidget(notesBox, 0, Qt::AlignLeft);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(strip);
  layout->addWidget(panel);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(printButton, &QPushButton::clicked, this, &PrintOptionsDialog::storeAndPrint);
  connect(cancelButton, &QPushButton::clicked, this, &PrintOptionsDialog::cancel);
  printButton->setFocus();

  // Component names.
  const std::pair<QWidget*, const char*> names[] = {
      {this, "PrintOptionsDialog"},   {strip, "ToolBar"}, {printButton, "PrintButton"},
      {cancelButton, "CancelButton"}, {panel, "Panel1"},  {scopeDataBox, "CheckBox1"},
      {notesBox, "CheckBox2"},
  };
  for (const auto& [widget, id] : names) nameWidget(widget, id);

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
  stored_.waveFormPrint = scopeDataBox->isChecked();
  stored_.notesPrint = notesBox->isChecked();
}

void PrintOptionsDialog::storeAndPrint() {
  storeCheckBoxes();
  accept();
}

void PrintOptionsDialog::cancel() {
  reject();
}

// Escape counts as "Cancel": the check boxes are stored either way.
void PrintOptionsDialog::reject() {
  storeCheckBoxes();
  QDialog::reject();
}

}  // namespace corvane
