// Fonts, colours and captions shared by the scope window's source files.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QString>

#include "scope/widgets/widget_names.h"

namespace corvane::scope_style {

inline const QColor kBlue(0, 0, 255);
inline const QColor kRed(255, 0, 0);
inline const QColor kNavy(0, 0, 128);

inline QFont arial(int pixelSize, bool bold = false) {
  QFont font;
  font.setFamilies({"Arial", "Liberation Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

// The caption is also the accessible name, without its mnemonic marker.
inline void setCaption(QAbstractButton* button, const QString& caption, const QColor& color) {
  button->setText(caption);
  button->setAccessibleName(QString(caption).remove('&'));
  setTextColor(button, color);
}

}  // namespace corvane::scope_style
