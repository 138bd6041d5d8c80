// Dialog layouts are given in dialog units: a quarter of the font's average character width
// horizontally and an eighth of its height vertically.
#pragma once

#include <QRect>

class QFont;

struct DialogBaseUnits
{
    int x = 0; // average width of the letters A-Z and a-z, rounded
    int y = 0; // the font's height
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// One horizontal or vertical length, rounded to the nearest pixel.
int DluToPixelsX(int dlu, const DialogBaseUnits& base);
int DluToPixelsY(int dlu, const DialogBaseUnits& base);

// A rectangle given as (x, y, width, height) in dialog units.
QRect DluRectToPixels(int x, int y, int width, int height, const DialogBaseUnits& base);
