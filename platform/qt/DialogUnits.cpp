#include "platform/qt/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>

#include <cmath>

DialogBaseUnits BaseUnitsOf(const QFont& font)
{
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    DialogBaseUnits base;
    base.x = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    base.y = metrics.height();
    return base;
}

namespace
{
int MulDivRounded(int value, int mul, int div)
{
    if (div == 0) return 0;
    return int(std::lround(double(value) * mul / div));
}
} // namespace

int DluToPixelsX(int dlu, const DialogBaseUnits& base)
{
    return MulDivRounded(dlu, base.x, 4);
}

int DluToPixelsY(int dlu, const DialogBaseUnits& base)
{
    return MulDivRounded(dlu, base.y, 8);
}

QRect DluRectToPixels(int x, int y, int width, int height, const DialogBaseUnits& base)
{
    const int left = DluToPixelsX(x, base), top = DluToPixelsY(y, base);
    const int right = DluToPixelsX(x + width, base), bottom = DluToPixelsY(y + height, base);
    return QRect(left, top, right - left, bottom - top);
}
