#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QUrl>

#include "app/about_dialog.h"
#include "app/port_dialog.h"
#include "app/ui_services.h"

namespace corvane {
namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
             const QString& detail = QString()) {
  QMessageBox box(icon, QStringLiteral("Corvane"), text, QMessageBox::Ok, parent);
  // Shown under the text at once: the operator needs the reason without a further click.
  if (!detail.isEmpty()) {
    box.setInformativeText(detail);
    // Wide enough that a device path and its reason read as a few lines, not a column.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
      label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 60);
    }
  }
  box.exec();
}

// Linux file names keep their case: "*.DSO" also lists "run.dso".
QString anyCaseFilter(const std::string& filter) {
  QString f = QString::fromStdString(filter);
  static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
  QString out;
  qsizetype last = 0;
  for (auto it = pattern.globalMatch(f); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    out += f.mid(last, m.capturedEnd() - last);
    const QString ext = m.captured(1);
    if (ext.toLower() != ext) out += QStringLiteral(" *.") + ext.toLower();
    last = m.capturedEnd();
  }
  return out + f.mid(last);
}

std::optional<std::string> runFileDialog(QWidget* parent, const FileDialogRequest& request,
                                         QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, QString::fromStdString(request.title), QString(),
                     anyCaseFilter(request.filter));
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace

void QtUiServices::showError(QWidget* parent, const QString& text, const QString& detail) {
  showBox(parent, QMessageBox::Critical, text, detail);
}

void QtUiServices::showInformation(QWidget* parent, const QString& text) {
  showBox(parent, QMessageBox::Information, text);
}

std::optional<std::string> QtUiServices::openFileName(QWidget* parent,
                                                      const FileDialogRequest& request) {
  return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtUiServices::saveFileName(QWidget* parent,
                                                      const FileDialogRequest& request) {
  return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

std::optional<PortChoice> QtUiServices::commPortSettings(QWidget* parent,
                                                         const PortChoice& current) {
  PortDialog dialog(current.settings, current.devices, listSerialDevices(), parent);
  dialog.exec();
  if (!dialog.stored()) return std::nullopt;
  return PortChoice{*dialog.stored(), *dialog.storedDevices()};
}

ColorSetResult QtUiServices::colorSettings(QWidget* parent, const ColorSlots& colorSlots) {
  ColorDialog dialog(colorSlots, &ColorDialog::chooseWithQColorDialog, parent);
  dialog.exec();
  return dialog.result();
}

bool QtUiServices::printDialog(QWidget* parent, QPrinter& printer) {
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool QtUiServices::printerSetup(QWidget* parent, QPrinter& printer) {
  QPageSetupDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

PrintSetupResult QtUiServices::printOptions(QWidget* parent, const PrintOptions& options) {
  return PrintOptionsDialog::ask(options, parent);
}

void QtUiServices::showAbout(QWidget* parent) {
  AboutDialog about(parent);
  about.exec();
}

bool QtUiServices::openWithDesktop(const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace corvane
