#include "shell/WindowLayout.h"

#include <algorithm>

QRect DefaultChildGeometry(int index, const QSize& area, int step)
{
    step = std::max(step, 1);
    const int staggers = std::max(area.height(), 0) / (3 * step);
    const int width = std::max(area.width() - staggers * step, 1);
    const int height = std::max(area.height() - staggers * step, 1);
    const int offset = step * (std::max(index, 0) % (staggers + 1));
    return QRect(offset, offset, width, height);
}

std::vector<QRect> CascadeGeometries(int count, const QSize& area, int step)
{
    std::vector<QRect> out;
    for (int i = 0; i < count; ++i)
        out.push_back(DefaultChildGeometry(i, area, step));
    return out;
}

QSize FitToScreen(const QSize& wanted, const QSize& available, const QSize& frame)
{
    if (available.isEmpty()) return wanted;
    const int width = std::min(wanted.width(), std::max(available.width() - frame.width(), 1));
    const int height = std::min(wanted.height(), std::max(available.height() - frame.height(), 1));
    return QSize(width, height);
}
