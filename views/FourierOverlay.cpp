#include "views/FourierOverlay.h"

#include "resources/CommandIds.h"

#include <algorithm>

namespace
{
constexpr std::int64_t kLimit = std::int64_t(1) << 28;

std::int64_t Map(std::int64_t v, const OverlayGeometry& g)
{
    if (g.zoom == 0) return g.imageWidth > 0 ? v * g.fitWidth / g.imageWidth : 0;
    return v * g.zoom / 256;
}

int Held(std::int64_t v)
{
    return int(std::clamp(v, -kLimit, kLimit));
}

// The filter's family, whatever plane it works on.
int LuminanceTwin(int mode)
{
    switch (mode)
    {
    case kCmdFourierYuvCarre:
        return kCmdFourierCarre;
    case kCmdFourierYuvRect:
        return kCmdFourierRect;
    case kCmdFourierYuvCirculaire:
        return kCmdFourierCirculaire;
    case kCmdFourierYuvCarrePasseHaut:
        return kCmdFourierCarrePasseHaut;
    case kCmdFourierYuvRectPasseHaut:
        return kCmdFourierRectangulairePasseHaut;
    case kCmdFourierYuvCirculairePasseHaut:
        return kCmdFourierCirculairePasseHaut;
    case kCmdFourierYuvCarrePasseBande:
        return kCmdFourierCarrePasseBande;
    case kCmdFourierYuvCirculairePasseBande:
        return kCmdFourierCirculairePasseBande;
    case kCmdFourierYuvCarreCoupeBande:
        return kCmdFourierCarreCoupeBande;
    case kCmdFourierYuvCirculaireCoupeBande:
        return kCmdFourierCirculaireCoupeBande;
    case kCmdFourierYuvRectangulairePasseBande:
        return kCmdFourierRectangulairePasseBande;
    case kCmdFourierYuvRectangulaireCoupeBande:
        return kCmdFourierRectangulaireCoupeBande;
    case kCmdFourierYuvGaussien:
        return kCmdFourierGaussien;
    default:
        return mode;
    }
}
} // namespace

OverlayRect GetOverlayRect(const OverlayGeometry& g, int a, int b)
{
    const std::int64_t cx = g.imageWidth / 2, cy = g.imageHeight / 2;
    const std::int64_t left = Map(cx - a, g) - g.scrollX;
    const std::int64_t top = Map(cy - b, g) - g.scrollY;
    const std::int64_t right = Map(cx + std::int64_t(a), g) - g.scrollX;
    const std::int64_t bottom = Map(cy + std::int64_t(b), g) - g.scrollY;
    const int l = Held(left), t = Held(top);
    return OverlayRect{l, t, Held(right) - l, Held(bottom) - t};
}

OverlayPlan FourierOverlayPlan(int mode, int s1, int s2, int s3, const OverlayGeometry& g)
{
    OverlayPlan plan;
    const int w = g.imageWidth, h = g.imageHeight;
    plan.image = GetOverlayRect(g, w / 2, h / 2);
    if (w <= 0 || h <= 0) return plan;

    auto R = [&g](int a, int b) {
        return OverlayFigure{OverlayFigureKind::Rectangle, GetOverlayRect(g, a, b)};
    };
    auto E = [&g](int a, int b) {
        return OverlayFigure{OverlayFigureKind::Ellipse, GetOverlayRect(g, a, b)};
    };
    const OverlayFigure image{OverlayFigureKind::Rectangle, plan.image};
    auto fill = [&plan](std::vector<OverlayFigure> figures, std::uint32_t argb = kOverlayColour) {
        plan.fills.push_back(OverlayFill{argb, std::move(figures), false, {}});
    };
    auto fillExcluding = [&plan](OverlayFigure figure, const OverlayFigure& cut) {
        plan.fills.push_back(OverlayFill{kOverlayColour, {figure}, true, cut.rect});
    };

    switch (LuminanceTwin(mode))
    {
    case kCmdFourierCarre:
        fill({R(s1, s1)});
        break;
    case kCmdFourierRect:
        fill({R(s1, s2)});
        break;
    case kCmdFourierCirculaire:
        fill({E(s1, s1)});
        break;
    case kCmdFourierCarrePasseHaut:
        fillExcluding(image, R(s1, s1));
        break;
    case kCmdFourierRectangulairePasseHaut:
        fillExcluding(image, R(s1, s2));
        break;
    case kCmdFourierCirculairePasseHaut:
        fill({image, E(s1, s1)});
        break;
    case kCmdFourierCarrePasseBande:
        fillExcluding(R(s2, s2), R(s1, s1));
        break;
    case kCmdFourierCirculairePasseBande:
        if (s2 < s1) break;
        fill({E(s2, s2), E(s1, s1)});
        break;
    case kCmdFourierCarreCoupeBande:
        if (s2 < s1) break;
        fill({R(s1, s1)});
        fillExcluding(image, R(s2, s2));
        break;
    case kCmdFourierCirculaireCoupeBande:
        if (s2 < s1) break;
        fill({image, E(s2, s2)});
        fill({E(s1, s1)});
        break;
    case kCmdFourierRectangulairePasseBande:
        fillExcluding(R(s1 + s3, s2 + s3), R(std::max(0, s1 - s3), std::max(0, s2 - s3)));
        break;
    case kCmdFourierRectangulaireCoupeBande:
        fill({R(std::max(0, s1 - s3), std::max(0, s2 - s3))});
        fillExcluding(image, R(s1 + s3, s2 + s3));
        break;
    case kCmdFourierGaussien:
    {
        const int m = std::min(w, h);
        const int r = int(std::min<std::int64_t>(std::int64_t(m / 2) * 20 / std::max(s1, 1), kLimit));
        plan.clipToImage = true;
        fill({E(r, r)}, kOverlayColour);
        fill({E(2 * r, 2 * r)}, kOverlayColourMiddle);
        fill({E(3 * r, 3 * r)}, kOverlayColourOuter);
        break;
    }
    default:
        break;
    }
    return plan;
}
