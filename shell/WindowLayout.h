// Where the image windows go in the main window's area, and how big the main window is at
// first, as the desktop's multiple-document windows have always done it: each new window is
// stepped down and right from the one before by the height of a title bar, as many times as a
// third of the area's height holds such steps, then starts again at the top left, and every
// window leaves room for those steps; cascading puts the windows back on those same places.
#pragma once

#include <QRect>
#include <QSize>

#include <vector>

// The place and size of child window number `index` (0-based) in an area, with `step` the
// height of a title bar and its frame.
QRect DefaultChildGeometry(int index, const QSize& area, int step);

// The geometries of `count` cascaded windows, from the one at the back to the one in front: each
// shows the whole title bar of the one behind it, up to as many windows as the steps allow.
std::vector<QRect> CascadeGeometries(int count, const QSize& area, int step);

// The first size of the main window: the size wanted, made smaller where the window and its
// frame (`frame`, what the window manager adds around it) would not fit the screen's available
// area.
QSize FitToScreen(const QSize& wanted, const QSize& available, const QSize& frame);
