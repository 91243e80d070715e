// The main window's status bar: "Last Transfer.", the last frame sent with the frame rate, the
// TX and RX totals and the link health section, repainted at a human rate.
#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include "app/main_window.h"

namespace corvane {

void MainWindow::buildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setFixedHeight(19);
  bar->setSizeGripEnabled(false);
  lastTransferCaption_ = new QLabel(QStringLiteral("Last Transfer."), bar);
  keyboardFocus_ = new QWidget(lastTransferCaption_);
  keyboardFocus_->setFocusPolicy(Qt::StrongFocus);
  keyboardFocus_->setGeometry(0, 0, 1, 0);
  bar->addWidget(lastTransferCaption_);

  auto* txPanel = new QFrame(bar);
  txPanel->setFrameShape(QFrame::Panel);
  txPanel->setFrameShadow(QFrame::Sunken);
  auto* txRow = new QHBoxLayout(txPanel);
  txRow->setContentsMargins(3, 0, 3, 0);
  lastSentLabel_ = new QLabel(txPanel);
  frameRateLabel_ = new QLabel(txPanel);
  txRow->addWidget(lastSentLabel_, 1);
  txRow->addWidget(frameRateLabel_);
  bar->addWidget(txPanel, 3);

  auto addTotal = [&](const QString& captionText) {
    auto* label = new QLabel(captionText, bar);
    bar->addWidget(label);
    auto* value = new QLabel(bar);
    value->setFrameShape(QFrame::Panel);
    value->setFrameShadow(QFrame::Sunken);
    value->setMinimumWidth(90);
    bar->addWidget(value, 1);
    return value;
  };
  txTotalLabel_ = addTotal(QStringLiteral("TX"));
  rxTotalLabel_ = addTotal(QStringLiteral("RX"));

  linkHealthLabel_ = new QLabel(bar);
  linkHealthLabel_->setFrameShape(QFrame::Panel);
  linkHealthLabel_->setFrameShadow(QFrame::Sunken);
  bar->addWidget(linkHealthLabel_, 2);
  // Only the last reply's age changes on its own; nothing ticks while no link is open.
  linkHealthTick_ = new QTimer(this);
  linkHealthTick_->setInterval(1000);
  connect(linkHealthTick_, &QTimer::timeout, this, [this] { linkHealthChanged(); });

  statusTimer_ = new QTimer(this);
  statusTimer_->setSingleShot(true);
  statusTimer_->setInterval(kStatusIntervalMs);
  connect(statusTimer_, &QTimer::timeout, this, [this] {
    if (pendingStatus_.empty() && !linkHealthDirty_) return;
    flushStatusTexts();
    statusTimer_->start();
  });
}

void MainWindow::setStatusText(QLabel* label, QString text) {
  if (!statusTimer_->isActive()) {
    // The first change after a quiet spell shows at once and opens a spell of its own.
    label->setText(text);
    statusTimer_->start();
    return;
  }
  for (auto& [l, t] : pendingStatus_) {
    if (l == label) {
      t = std::move(text);
      return;
    }
  }
  pendingStatus_.emplace_back(label, std::move(text));
}

void MainWindow::flushStatusTexts() {
  for (auto& [label, text] : pendingStatus_) label->setText(text);
  pendingStatus_.clear();
  if (linkHealthDirty_) paintLinkHealth();
}

void MainWindow::linkHealthChanged() {
  if (statusTimer_ == nullptr || session_ == nullptr) return;
  // Within a spell of status changes (every received chunk opens one) the spell's end paints it;
  // alone it paints at once and leaves the other texts' pace alone.
  linkHealthDirty_ = true;
  if (!statusTimer_->isActive()) paintLinkHealth();
}

void MainWindow::paintLinkHealth() {
  linkHealthDirty_ = false;
  const LinkHealth health = session_->linkHealth();
  const QString words = QString::fromStdString(linkHealthWords(health));
  linkHealthLabel_->setText(QString::fromStdString(linkHealthSummary(health)));
  linkHealthLabel_->setToolTip(words);
  linkHealthLabel_->setAccessibleName(words);
  const bool ages = health.open && health.lastReplyAgeS.has_value();
  if (ages && !linkHealthTick_->isActive()) {
    linkHealthTick_->start();
  } else if (!ages) {
    linkHealthTick_->stop();
  }
}

}  // namespace corvane
