#include "views/PanningCursors.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace
{
constexpr int kSide = 32;

// A triangle pointing along (ux, uy) from the centre.
void Arrow(QPainter& p, QPointF centre, QPointF u, qreal from, qreal to, qreal half)
{
    const qreal len = std::hypot(u.x(), u.y());
    u /= len;
    const QPointF n(-u.y(), u.x());
    QPainterPath path;
    path.moveTo(centre + u * to);
    path.lineTo(centre + u * from + n * half);
    path.lineTo(centre + u * from - n * half);
    path.closeSubpath();
    p.drawPath(path);
}

void Dot(QPainter& p, QPointF centre, qreal r)
{
    p.drawEllipse(centre, r, r);
}

QPixmap Blank(qreal dpr)
{
    QPixmap pm(int(std::lround(kSide * dpr)), int(std::lround(kSide * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}
} // namespace

QPoint PanCursorDirection(int resourceId)
{
    switch (resourceId)
    {
    case 3202:
        return QPoint(0, 1);
    case 3203:
        return QPoint(0, -1);
    case 3204:
        return QPoint(1, 0);
    case 3205:
        return QPoint(-1, 0);
    case 3207:
        return QPoint(-1, -1);
    case 3208:
        return QPoint(1, -1);
    case 3209:
        return QPoint(1, 1);
    case 3210:
        return QPoint(-1, 1);
    default:
        return QPoint(0, 0);
    }
}

QPixmap PanCursorPixmap(int resourceId, qreal dpr)
{
    QPixmap pm = Blank(dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::black);
    const QPointF c(kSide / 2.0, kSide / 2.0);
    const QPoint d = PanCursorDirection(resourceId);
    if (d.isNull())
    {
        for (const QPointF u : {QPointF(0, -1), QPointF(0, 1), QPointF(-1, 0), QPointF(1, 0)})
            Arrow(p, c, u, 6, 13, 4.5);
    }
    else
        Arrow(p, c, QPointF(d), 5, 15, 6.5);
    Dot(p, c, 3);
    return pm;
}

QPixmap PanIconPixmap(qreal dpr)
{
    QPixmap pm = Blank(dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    const QPointF c(kSide / 2.0, kSide / 2.0);
    for (const QPointF u : {QPointF(0, -1), QPointF(0, 1), QPointF(-1, 0), QPointF(1, 0)})
        Arrow(p, c, u, 6, 13, 4.5);
    Dot(p, c, 2.5);
    return pm;
}

QCursor PanCursor(int resourceId, qreal dpr)
{
    return QCursor(PanCursorPixmap(resourceId, dpr), kSide / 2, kSide / 2);
}
