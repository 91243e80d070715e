// The scope window's notes, saves and captures: the record with its notes, the picture as shown,
// and the instrument's own screen on the ImageView page.
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTextBlock>
#include <algorithm>

#include "scope/widgets/scope_window.h"
#include "storage/bmp_file.h"
#include "storage/data_file.h"
#include "storage/record_csv.h"

namespace corvane {
namespace {

constexpr std::size_t kScreenImageSize = 9662;  // the instrument's screen bitmap

// Notes files from older programs may hold Latin-1 text; anything that is valid UTF-8 is read as
// such, anything else byte for byte.
QString notesLineText(const std::string& line) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(QByteArrayView(line.data(), qsizetype(line.size())));
  if (utf8.hasError()) return QString::fromLatin1(line.data(), qsizetype(line.size()));
  return text;
}

}  // namespace

// --- Notes.

std::vector<std::string> ScopeWindow::notesLines() const {
  std::vector<std::string> lines;
  const QTextDocument* document = notes_->document();
  if (document->isEmpty()) return lines;
  for (QTextBlock b = document->begin(); b.isValid(); b = b.next()) {
    lines.push_back(b.text().toStdString());
  }
  return lines;
}

void ScopeWindow::setNotesLines(const std::vector<std::string>& lines) {
  QStringList text;
  for (const auto& line : lines) text << notesLineText(line);
  notes_->setPlainText(text.join('\n'));
}

// --- Saves and captures.

void ScopeWindow::saveData() {
  const auto path = host_.chooseSaveFile(kDataSaveDialog);
  if (!path) return;
  if (FileStatus status = writeDataFile(*path, record_); !status) {
    host_.showFileError(status.message);
    return;
  }
  if (FileStatus status = writeNotesFile(notesFileName(*path), notesLines()); !status) {
    host_.showFileError(status.message);
    return;
  }
  setWindowTitle(QString::fromStdString(*path));
}

void ScopeWindow::captureDisplay() {
  const auto path = host_.chooseSaveFile(kPictureSaveDialog);
  if (!path) return;
  // The picture as last composed, exactly what the display shows.
  if (FileStatus status =
          writeBmpFile(*path, DisplayBitmap::width(), DisplayBitmap::height(), bitmap_.data());
      !status) {
    host_.showFileError(status.message);
  }
}

void ScopeWindow::exportCsv() {
  const auto path = host_.chooseSaveFile(kCsvExportDialog);
  if (!path) return;
  if (FileStatus status = writeRecordCsv(*path, record_); !status) {
    host_.showFileError(status.message);
  }
}

void ScopeWindow::captureInstrumentScreen() {
  const bool saveWasEnabled = saveScreenButton_->isEnabled();
  saveScreenButton_->setEnabled(false);
  captureButton_->setEnabled(false);
  if (!host_.captureScreen(slot_)) {
    saveScreenButton_->setEnabled(saveWasEnabled);
    captureButton_->setEnabled(true);
  }
}

void ScopeWindow::saveInstrumentScreen() {
  const auto path = host_.chooseSaveFile(kPictureSaveDialog);
  if (!path) return;
  // The main window's buffer, not the picture on the page: the instrument's own bytes.
  const std::span<const uint8_t> buffer = host_.captureBuffer();
  const std::size_t size = std::min(buffer.size(), kScreenImageSize);
  const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), size);
  if (FileStatus status = writeFileReplacing(*path, bytes); !status) {
    host_.showFileError(status.message);
  }
}

void ScopeWindow::showCapturedImage(const std::filesystem::path& file) {
  QImageReader reader(QString::fromStdString(file.string()));
  const QImage image = reader.read();
  if (image.isNull()) {
    screenImage_->clear();  // no stale picture that could pass for the new capture
  } else {
    screenImage_->setPixmap(QPixmap::fromImage(image));
  }
  saveScreenButton_->setEnabled(true);
  captureButton_->setEnabled(true);
}

bool ScopeWindow::captureButtonEnabled() const {
  return captureButton_->isEnabled();
}

void ScopeWindow::setCaptureButtonEnabled(bool enable) {
  captureButton_->setEnabled(enable);
}

}  // namespace corvane
