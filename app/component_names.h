// A window's component-name table: each named widget, menu or action paired with its automation
// id, which becomes its objectName and accessible description (what screen readers, the GUI tests
// and users' scripts find it by), and, where the widget shows no caption of its own, the caption
// that becomes its accessible name.
#pragma once

#include <QAction>
#include <QToolButton>
#include <initializer_list>

#include "scope/widgets/widget_names.h"

namespace corvane {

struct ComponentName {
  QObject* component;
  const char* id;
  const char* accessibleName = nullptr;
};

inline void nameComponents(std::initializer_list<ComponentName> table) {
  for (const ComponentName& n : table) {
    if (auto* widget = qobject_cast<QWidget*>(n.component)) {
      nameWidget(widget, n.id);
      if (n.accessibleName != nullptr)
        widget->setAccessibleName(QString::fromUtf8(n.accessibleName));
    } else if (auto* action = qobject_cast<QAction*>(n.component)) {
      // An action has no accessible description; the toolbar button showing it carries the id.
      action->setObjectName(QLatin1String(n.id));
      for (QObject* shown : action->associatedObjects()) {
        if (auto* button = qobject_cast<QToolButton*>(shown)) nameWidget(button, n.id);
      }
    }
  }
}

}  // namespace corvane
