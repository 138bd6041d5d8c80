// The pictures of panning, drawn in code: the origin marker's icon (3201) and the pointer for
// each direction (3202 down, 3203 up, 3204 right, 3205 left, 3206 none, 3207 up-left,
// 3208 up-right, 3209 down-right, 3210 down-left).
#pragma once

#include <QCursor>
#include <QPixmap>

// The direction a pointer picture points to, as (x, y) steps of -1, 0 or 1; (0, 0) for none.
QPoint PanCursorDirection(int resourceId);

// A 32 x 32 picture (in device-independent pixels) at the given device pixel ratio.
QPixmap PanCursorPixmap(int resourceId, qreal devicePixelRatio);
QPixmap PanIconPixmap(qreal devicePixelRatio);

// The pointer with its hot spot at the centre.
QCursor PanCursor(int resourceId, qreal devicePixelRatio);
