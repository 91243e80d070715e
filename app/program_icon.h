// Corvane's program icon, painted in code so it stays sharp at any size: a scope screen with a
// graticule and a trace.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace corvane {

QPixmap paintProgramIcon(int size);
QIcon programIcon();

}  // namespace corvane
