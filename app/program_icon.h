// Corvane's program icon, painted in code so it stays sharp at any size: a scope screen with a
// graticule and a trace.
#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace corvane {

// Draws the icon into the square (0, 0, size, size) of any paint device: the window icon's
// pixmaps, and the installed PNG and SVG icons, come from this one design.
void drawProgramIcon(QPainter& painter, qreal size);

QPixmap paintProgramIcon(int size);
QIcon programIcon();

}  // namespace corvane
