// Names a tool can find: the form's component name as objectName and accessible description.
#pragma once

#include <QWidget>

namespace corvane {

inline void nameWidget(QWidget* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  widget->setAccessibleDescription(QLatin1String(name));
}

}  // namespace corvane
