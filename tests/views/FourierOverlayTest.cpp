// The filter window of the Fourier tool view as a model: where a window lies on screen at every
// zoom, and what each filter draws for its slider values.
#include "resources/CommandIds.h"
#include "views/FourierOverlay.h"

#include <gtest/gtest.h>

static void PrintTo(const OverlayRect& r, std::ostream* os)
{
    *os << "(" << r.x << "," << r.y << "," << r.width << "," << r.height << ")";
}

namespace
{

OverlayGeometry At640x480(int zoom = 256, int scrollX = 0, int scrollY = 0, int fitWidth = 0)
{
    return OverlayGeometry{640, 480, zoom, fitWidth, scrollX, scrollY};
}

// R(a, b) and its ellipse on a 640 x 480 image at 1:1.
OverlayFigure Rect(int a, int b)
{
    return {OverlayFigureKind::Rectangle, OverlayRect{320 - a, 240 - b, 2 * a, 2 * b}};
}
OverlayFigure Ellipse(int a, int b)
{
    return {OverlayFigureKind::Ellipse, OverlayRect{320 - a, 240 - b, 2 * a, 2 * b}};
}
const OverlayFigure kImage = Rect(320, 240);

OverlayFill Fill(std::vector<OverlayFigure> figures, std::uint32_t argb = kOverlayColour)
{
    return OverlayFill{argb, std::move(figures), false, {}};
}
OverlayFill Excluding(OverlayFigure figure, OverlayFigure cut)
{
    return OverlayFill{kOverlayColour, {figure}, true, cut.rect};
}
} // namespace

TEST(FourierOverlay, WindowRectangleAtEveryZoomAndScroll)
{
    struct Case
    {
        OverlayGeometry g;
        int a, b;
        OverlayRect expected;
    };
    const std::vector<Case> cases = {
        {At640x480(), 120, 120, {200, 120, 240, 240}},
        {At640x480(512), 120, 120, {400, 240, 480, 480}},
        {At640x480(128), 120, 120, {100, 60, 120, 120}},
        {At640x480(256, 50, 30), 120, 120, {150, 90, 240, 240}},
        // Fit mode: 1280 x 960 shown 640 wide; the width ratio serves both axes.
        {OverlayGeometry{1280, 960, 0, 640, 0, 0}, 120, 120, {260, 180, 120, 120}},
        // Each corner truncated on its own: 313 x 213 / 640 = 104.2 and 327 x 213 / 640 = 108.8
        // across, 233 x 213 / 640 = 77.5 and 247 x 213 / 640 = 82.2 down.
        {OverlayGeometry{640, 480, 0, 213, 0, 0}, 7, 7, {104, 77, 4, 5}},
        // 1:16 keeps small windows: (v x zoom) / 256, not v x (zoom / 256).
        {At640x480(16), 120, 120, {12, 7, 15, 15}},
        // A window larger than the image reaches outside it.
        {At640x480(), 400, 300, {-80, -60, 800, 600}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetOverlayRect(c.g, c.a, c.b), c.expected)
            << "zoom " << c.g.zoom << " a " << c.a << " scroll " << c.g.scrollX;
    // Huge radii at 16:1 stay within what painting can take.
    const OverlayRect huge = GetOverlayRect(OverlayGeometry{60000, 40000, 4096, 0, 0, 0}, 1 << 30, 1 << 30);
    EXPECT_GE(huge.x, -(1 << 28));
    EXPECT_LE(huge.x + huge.width, 1 << 28);
}

TEST(FourierOverlay, EachFilterDrawsWhatItKeeps)
{
    struct Case
    {
        int mode, s1, s2, s3;
        std::vector<OverlayFill> fills;
    };
    const std::vector<Case> cases = {
        {kCmdFourierCarre, 120, 0, 0, {Fill({Rect(120, 120)})}},
        {kCmdFourierRect, 100, 60, 0, {Fill({Rect(100, 60)})}},
        {kCmdFourierCirculaire, 80, 0, 0, {Fill({Ellipse(80, 80)})}},
        {kCmdFourierCarrePasseHaut, 50, 0, 0, {Excluding(kImage, Rect(50, 50))}},
        {kCmdFourierRectangulairePasseHaut, 50, 30, 0, {Excluding(kImage, Rect(50, 30))}},
        {kCmdFourierCirculairePasseHaut, 50, 0, 0, {Fill({kImage, Ellipse(50, 50)})}},
        {kCmdFourierCarrePasseBande, 60, 120, 0, {Excluding(Rect(120, 120), Rect(60, 60))}},
        {kCmdFourierCirculairePasseBande, 60, 120, 0, {Fill({Ellipse(120, 120), Ellipse(60, 60)})}},
        {kCmdFourierCarreCoupeBande, 60, 120, 0, {Fill({Rect(60, 60)}), Excluding(kImage, Rect(120, 120))}},
        {kCmdFourierCirculaireCoupeBande,
         60,
         120,
         0,
         {Fill({kImage, Ellipse(120, 120)}), Fill({Ellipse(60, 60)})}},
        {kCmdFourierRectangulairePasseBande, 160, 120, 30, {Excluding(Rect(190, 150), Rect(130, 90))}},
        {kCmdFourierRectangulaireCoupeBande,
         160,
         120,
         30,
         {Fill({Rect(130, 90)}), Excluding(kImage, Rect(190, 150))}},
        // The inner rectangle of the bands never has a negative half-size (the filter clamps at 0).
        {kCmdFourierRectangulairePasseBande, 20, 100, 30, {Excluding(Rect(50, 130), Rect(0, 70))}},
        {kCmdFourierRectangulaireCoupeBande,
         20,
         10,
         30,
         {Fill({Rect(0, 0)}), Excluding(kImage, Rect(50, 40))}},
        // Nothing: band filters whose maximum is below their minimum, no mode, any other id.
        {kCmdFourierCirculairePasseBande, 120, 60, 0, {}},
        {kCmdFourierCarreCoupeBande, 120, 60, 0, {}},
        {kCmdFourierCirculaireCoupeBande, 120, 60, 0, {}},
        {kCmdFourierYuvCirculairePasseBande, 120, 60, 0, {}},
        {kCmdFourierYuvCarreCoupeBande, 120, 60, 0, {}},
        {kCmdFourierYuvCirculaireCoupeBande, 120, 60, 0, {}},
        {0, 120, 120, 120, {}},
        {kCmdApplyTransform, 120, 120, 120, {}},
        {33101, 120, 120, 120, {}},
        // The square band-pass has no such test: its window is simply empty then.
        {kCmdFourierCarrePasseBande, 120, 60, 0, {Excluding(Rect(60, 60), Rect(120, 120))}},
    };
    for (const Case& c : cases)
    {
        const OverlayPlan plan = FourierOverlayPlan(c.mode, c.s1, c.s2, c.s3, At640x480());
        EXPECT_EQ(plan.fills, c.fills) << c.mode << " " << c.s1 << "," << c.s2 << "," << c.s3;
        EXPECT_FALSE(plan.clipToImage) << c.mode;
        EXPECT_EQ(plan.image, kImage.rect);
    }
}

TEST(FourierOverlay, YuvTwinsDrawLikeTheirLuminanceFilters)
{
    const std::vector<std::pair<int, int>> twins = {
        {kCmdFourierYuvCarre, kCmdFourierCarre},
        {kCmdFourierYuvRect, kCmdFourierRect},
        {kCmdFourierYuvCirculaire, kCmdFourierCirculaire},
        {kCmdFourierYuvCarrePasseHaut, kCmdFourierCarrePasseHaut},
        {kCmdFourierYuvRectPasseHaut, kCmdFourierRectangulairePasseHaut},
        {kCmdFourierYuvCirculairePasseHaut, kCmdFourierCirculairePasseHaut},
        {kCmdFourierYuvCarrePasseBande, kCmdFourierCarrePasseBande},
        {kCmdFourierYuvCirculairePasseBande, kCmdFourierCirculairePasseBande},
        {kCmdFourierYuvCarreCoupeBande, kCmdFourierCarreCoupeBande},
        {kCmdFourierYuvCirculaireCoupeBande, kCmdFourierCirculaireCoupeBande},
        {kCmdFourierYuvRectangulairePasseBande, kCmdFourierRectangulairePasseBande},
        {kCmdFourierYuvRectangulaireCoupeBande, kCmdFourierRectangulaireCoupeBande},
        {kCmdFourierYuvGaussien, kCmdFourierGaussien},
    };
    for (const auto& [yuv, luminance] : twins)
    {
        const OverlayPlan a = FourierOverlayPlan(yuv, 40, 90, 20, At640x480(512, 10, 20));
        const OverlayPlan b = FourierOverlayPlan(luminance, 40, 90, 20, At640x480(512, 10, 20));
        EXPECT_FALSE(a.fills.empty()) << yuv;
        EXPECT_EQ(a.fills, b.fills) << yuv;
        EXPECT_EQ(a.clipToImage, b.clipToImage) << yuv;
    }
}

TEST(FourierOverlay, GaussianRingsFollowThePositionClippedToTheImage)
{
    struct Case
    {
        int position, radius;
    };
    // r = ((m / 2) x 20) / max(position, 1) with m = 480.
    for (const Case& c : std::vector<Case>{{20, 240}, {0, 4800}, {1, 4800}, {1000, 4}, {7, 685}})
    {
        const OverlayPlan plan = FourierOverlayPlan(kCmdFourierGaussien, c.position, 0, 0, At640x480());
        EXPECT_TRUE(plan.clipToImage);
        const std::vector<OverlayFill> expected = {
            Fill({Ellipse(c.radius, c.radius)}, 0x40B40000u),
            Fill({Ellipse(2 * c.radius, 2 * c.radius)}, 0x20B40000u),
            Fill({Ellipse(3 * c.radius, 3 * c.radius)}, 0x10B40000u),
        };
        EXPECT_EQ(plan.fills, expected) << c.position;
    }
    // An empty image draws nothing.
    EXPECT_TRUE(
        FourierOverlayPlan(kCmdFourierCarre, 5, 0, 0, OverlayGeometry{0, 0, 256, 0, 0, 0}).fills.empty());
}
