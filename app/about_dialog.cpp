#include "app/about_dialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/component_names.h"
#include "app/program_icon.h"

namespace corvane {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  setModal(true);
  setFont(QFont(QStringLiteral("Arial")));
  auto* column = new QVBoxLayout(this);
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  auto* row = new QHBoxLayout(panel);
  auto* image = new QLabel(panel);
  image->setPixmap(paintProgramIcon(64));
  row->addWidget(image);
  auto* texts = new QVBoxLayout;
  auto* product = new QLabel(QStringLiteral("Corvane"), panel);
  QFont big = product->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  product->setFont(big);
  auto* version = new QLabel(QStringLiteral("Version 1.50"), panel);
  texts->addWidget(product);
  texts->addWidget(version);
  row->addLayout(texts);
  row->addSpacing(24);
  column->addWidget(panel);
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  QFont bold = close->font();
  bold.setBold(true);
  close->setFont(bold);
  close->setDefault(true);
  column->addWidget(close, 0, Qt::AlignHCenter);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(sizeHint());

  nameComponents({
      {image, "VersionImage", "Corvane icon"},
      {product, "ProductName"},
      {version, "Version"},
  });
}

}  // namespace corvane
