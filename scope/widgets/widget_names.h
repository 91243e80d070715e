// Shared by every window of the Qt shell: names a tool can find, and coloured captions.
#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace corvane {

// An automation id, set as objectName and accessible description: tools, screen readers and the
// GUI tests find the widget by it. Each window sets its ids from one table.
template <typename W>
W* nameWidget(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  widget->setAccessibleDescription(QLatin1String(name));
  return widget;
}

// Active and inactive only: a disabled control keeps the style's greyed text.
inline void setTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, color);
    palette.setColor(group, QPalette::ButtonText, color);
  }
  widget->setPalette(palette);
}

}  // namespace corvane
