#include "app/color_dialog.h"

#include <QColorDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/component_names.h"
#include "scope/widgets/widget_names.h"

namespace corvane {
namespace {

QColor toQColor(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

uint32_t fromQColor(const QColor& c) {
  return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
         (static_cast<uint32_t>(c.blue()) << 16);
}

}  // namespace

std::optional<uint32_t> ColorDialog::chooseWithQColorDialog(uint32_t initial, QWidget* parent) {
  const QColor chosen = QColorDialog::getColor(toQColor(initial), parent);
  if (!chosen.isValid()) return std::nullopt;
  return fromQColor(chosen);
}

ColorDialog::ColorDialog(const ColorSlots& colorSlots, ColorChooser chooser, QWidget* parent)
    : QDialog(parent), chooser_(std::move(chooser)), swatches_(colorSlots) {
  setWindowTitle(QStringLiteral("Color Setting"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  setFixedSize(187, 224);
  setFont(QFont(QStringLiteral("Arial")));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);
  column->setSpacing(2);
  auto* header = new QLabel(QStringLiteral("Color Setting"), this);
  header->setFrameShape(QFrame::Panel);
  header->setFrameShadow(QFrame::Raised);
  header->setAlignment(Qt::AlignCenter);
  setTextColor(header, Qt::red);
  QFont bold = header->font();
  bold.setBold(true);
  header->setFont(bold);
  column->addWidget(header);

  static const char* const kCaptions[7] = {"Ch1 Color",    "Ch2 Color",    "Merge Color",
                                           "Cursor Color", "Recall Color", "Grid Color",
                                           "GoNoGo"};
  std::array<QPushButton*, 7> chooseButtons{};
  for (int row = 0; row < 7; ++row) {
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::Panel);
    line->setFrameShadow(QFrame::Sunken);
    auto* h = new QHBoxLayout(line);
    h->setContentsMargins(4, 1, 2, 1);
    auto* caption = new QLabel(QLatin1String(kCaptions[row]), line);
    caption->setMinimumWidth(70);
    h->addWidget(caption);
    auto* swatch = new QFrame(line);
    swatch->setAccessibleName(QLatin1String(kCaptions[row]));
    swatch->setFixedSize(70, 5);
    swatch->setAutoFillBackground(true);
    swatchViews_[static_cast<std::size_t>(row)] = swatch;
    h->addWidget(swatch);
    auto* button = new QPushButton(QStringLiteral("C"), line);
    chooseButtons[static_cast<std::size_t>(row)] = button;
    button->setAccessibleName(QStringLiteral("Choose ") + QLatin1String(kCaptions[row]));
    setTextColor(button, Qt::blue);
    button->setFixedSize(18, 18);
    h->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, row] { pickColor(row); });
    column->addWidget(line);
    paintSwatch(row);
  }
  auto* bottom = new QHBoxLayout;
  auto* defaults = new QPushButton(QStringLiteral("&Default"), this);
  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  for (QPushButton* b : {defaults, close}) {
    setTextColor(b, Qt::blue);
    bottom->addWidget(b);
  }
  column->addLayout(bottom);
  connect(defaults, &QPushButton::clicked, this, &ColorDialog::applyDefaults);
  connect(close, &QPushButton::clicked, this, &ColorDialog::storeAndClose);

  // Component names, rows in the order of kCaptions.
  const auto& s = swatchViews_;
  const auto& c = chooseButtons;
  nameComponents({
      {header, "Panel1"},
      {s[0], "C1"},
      {c[0], "ToolbarButton972"},
      {s[1], "C2"},
      {c[1], "ToolbarButton973"},
      {s[2], "C3"},
      {c[2], "ToolbarButton974"},
      {s[3], "C4"},
      {c[3], "ToolbarButton975"},
      {s[4], "C5"},
      {c[4], "ToolbarButton976"},
      {s[5], "C6"},
      {c[5], "ToolbarButton977"},
      {s[6], "C7"},
      {c[6], "ToolbarButton979"},
      {defaults, "ToolbarButton978"},
      {close, "ToolbarButton971"},
  });
}

void ColorDialog::paintSwatch(int row) {
  QFrame* swatch = swatchViews_[static_cast<std::size_t>(row)];
  QPalette pal = swatch->palette();
  pal.setColor(QPalette::Window, toQColor(swatches_[static_cast<std::size_t>(row)]));
  swatch->setPalette(pal);
}

void ColorDialog::pickColor(int row) {
  if (row < 0 || row >= 7 || !chooser_) return;
  const std::optional<uint32_t> picked = chooser_(lastPicked_, this);
  if (!picked) return;
  lastPicked_ = *picked & 0xFFFFFF;
  swatches_[static_cast<std::size_t>(row)] = lastPicked_;
  paintSwatch(row);
}

void ColorDialog::applyDefaults() {
  swatches_ = kDefaultColorSlots;
  result_.defaultsApplied = true;
  for (int row = 0; row < 7; ++row) paintSwatch(row);
}

void ColorDialog::storeAndClose() {
  result_.closed = swatches_;
  accept();
}

}  // namespace corvane
