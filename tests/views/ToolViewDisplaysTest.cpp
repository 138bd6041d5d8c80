// The pictures of the tool views, without windows: each channel and Y/U/V picture against the
// effect the view applies, the spectra of simple images, and the window titles.
#include "TestImages.h"

#include "imagelib/FCYUVPlanes.h"
#include "imagelib/FFTW3Helper.h"
#include "imagelib/effects/YUVEffects.h"
#include "resources/CommandIds.h"
#include "views/ToolViewDisplays.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>

namespace
{
using K = ToolViewKind;

struct Pixel
{
    int b, g, r;
    bool operator==(const Pixel&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Pixel& p)
{
    return os << "(" << p.b << "," << p.g << "," << p.r << ")";
}

Pixel At(const FCObjImage& image, int x, int y)
{
    const BYTE* p = image.PixelAddress(x, y);
    return {p[0], p[1], p[2]};
}

std::unique_ptr<FCImageEffect> EffectOf(ToolViewKind kind)
{
    switch (kind)
    {
    case K::Red:
        return std::make_unique<FCEffectGetRChannel>();
    case K::RedAsGrey:
        return std::make_unique<FCEffectGetRChannelLumi>();
    case K::Green:
        return std::make_unique<FCEffectGetGChannel>();
    case K::GreenAsGrey:
        return std::make_unique<FCEffectGetGChannelLumi>();
    case K::Blue:
        return std::make_unique<FCEffectGetBChannel>();
    case K::BlueAsGrey:
        return std::make_unique<FCEffectGetBChannelLumi>();
    case K::Y:
        return std::make_unique<FCEffectYUVLuminance>();
    case K::U:
        return std::make_unique<FCEffectYUVChrominanceBleue>();
    case K::UAsGrey:
        return std::make_unique<FCEffectYUVChrominanceBleueLuminance>();
    case K::V:
        return std::make_unique<FCEffectYUVChrominanceRouge>();
    case K::VAsGrey:
        return std::make_unique<FCEffectYUVChrominanceRougeLuminance>();
    default:
        return nullptr;
    }
}

constexpr std::array<ToolViewKind, 11> kChannelKinds{K::Red,     K::RedAsGrey,  K::Green,  K::GreenAsGrey,
                                                     K::Blue,    K::BlueAsGrey, K::Y,      K::U,
                                                     K::UAsGrey, K::V,          K::VAsGrey};

// An 8-bit picture with a palette of colours (not the grey ramp), every index used.
FCObjImage ColourIndexed(int w, int h)
{
    FCObjImage image = testimg::Varied(w, h, 8, 4242);
    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{BYTE(i * 7), BYTE(255 - i), BYTE(i * 13 + 5), 0};
    image.SetPalette(palette);
    return image;
}

FCObjImage Planes1x1(BYTE b, BYTE g, BYTE r, FCYUVPlanes& planes)
{
    FCObjImage image = testimg::Flat(1, 1, 24, b, g, r);
    planes.FromImage(image);
    return image;
}
} // namespace

TEST(ToolViewDisplays, OnePixelThroughEveryChannelView)
{
    struct Case
    {
        ToolViewKind kind;
        Pixel in;
        Pixel out;
    };
    const std::vector<Case> cases = {
        {K::Red, {10, 20, 30}, {0, 0, 30}},
        {K::Green, {10, 20, 30}, {0, 20, 0}},
        {K::Blue, {10, 20, 30}, {10, 0, 0}},
        {K::RedAsGrey, {10, 20, 30}, {30, 30, 30}},
        {K::GreenAsGrey, {10, 20, 30}, {20, 20, 20}},
        {K::BlueAsGrey, {10, 20, 30}, {10, 10, 10}},
        {K::Y, {255, 255, 255}, {255, 255, 255}}, // white stays 255, not 256
        {K::Y, {100, 100, 100}, {100, 100, 100}},
        {K::U, {0, 80, 80}, {88, 168, 168}}, // U = -40
        {K::UAsGrey, {0, 80, 80}, {88, 88, 88}},
        {K::U, {100, 100, 100}, {128, 128, 128}}, // grey has no chrominance
        {K::V, {80, 80, 0}, {168, 168, 88}},      // V = -40
        {K::VAsGrey, {80, 80, 0}, {88, 88, 88}},
    };
    for (const Case& c : cases)
    {
        FCYUVPlanes planes;
        const FCObjImage image = Planes1x1(BYTE(c.in.b), BYTE(c.in.g), BYTE(c.in.r), planes);
        EXPECT_EQ(At(BuildChannelDisplay(c.kind, image, &planes), 0, 0), c.out)
            << ToolViewInfoOf(c.kind).name << " " << c.in;
        // Without the document's planes the values come from the pixels: the same picture.
        EXPECT_EQ(At(BuildChannelDisplay(c.kind, image, nullptr), 0, 0), c.out)
            << ToolViewInfoOf(c.kind).name;
    }
}

TEST(ToolViewDisplays, ChrominanceFromThePlanesIsClampedBothWays)
{
    FCYUVPlanes planes;
    const FCObjImage image = Planes1x1(0, 0, 0, planes);
    const std::vector<std::pair<float, Pixel>> cases = {{200.0f, {255, 0, 0}}, {-200.0f, {0, 255, 255}}};
    for (const auto& [u, expected] : cases)
    {
        planes.U()[0] = u;
        planes.V()[0] = u;
        EXPECT_EQ(At(BuildChannelDisplay(K::U, image, &planes), 0, 0), expected) << u;
        // V mirrored: blue and green from 128 - V, red from V + 128.
        const Pixel v = At(BuildChannelDisplay(K::V, image, &planes), 0, 0);
        EXPECT_EQ(v, (Pixel{expected.g, expected.g, expected.b})) << u;
    }
}

// For every channel view, at every depth: the picture is exactly what the view's effect makes of
// the image (an 8-bit image through a 24-bit copy), the image itself untouched, alpha kept.
TEST(ToolViewDisplays, EveryChannelPictureIsItsEffectAppliedToTheImage)
{
    const std::vector<FCObjImage> images = {testimg::Varied(37, 23, 24, 5), testimg::Varied(16, 9, 32, 6),
                                            ColourIndexed(19, 11)};
    for (const FCObjImage& image : images)
    {
        const FCObjImage before = image;
        FCObjImage source24;
        const FCObjImage& source = ToolViewSource(image, source24);
        ASSERT_TRUE(source.ColorBits() == 24 || source.ColorBits() == 32);
        FCYUVPlanes planes;
        ASSERT_TRUE(planes.FromImage(image));
        for (ToolViewKind kind : kChannelKinds)
        {
            const FCObjImage display = BuildChannelDisplay(kind, image, &planes);
            FCObjImage expected = source;
            FCObjImage::ApplyEffect(expected, *EffectOf(kind), nullptr);
            EXPECT_TRUE(testimg::SamePixels(display, expected))
                << ToolViewInfoOf(kind).name << " at " << image.ColorBits() << " bits";
            if (image.ColorBits() == 32)
            {
                EXPECT_EQ(testimg::Alphas(display), testimg::Alphas(image)) << ToolViewInfoOf(kind).name;
            }
        }
        EXPECT_TRUE(testimg::SamePixels(image, before));
    }
    // The 8-bit picture reads its colours from the palette.
    const FCObjImage indexed = ColourIndexed(3, 2);
    const RGBQUAD c = indexed.PaletteEntries()[indexed.PixelAddress(1, 1)[0]];
    EXPECT_EQ(At(BuildChannelDisplay(K::Red, indexed, nullptr), 1, 1), (Pixel{0, 0, c.rgbRed}));
    EXPECT_EQ(BuildChannelDisplay(K::Red, FCObjImage(), nullptr).HasBits(), false);
}

TEST(ToolViewDisplays, ModuleOfAConstantImageIsItsZeroFrequencyAlone)
{
    FFTW3Helper helper;
    const FCObjImage image = testimg::Flat(8, 8, 24, 90, 90, 90);
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(image));
    const FCObjImage module = BuildFourierModuleDisplay(image, planes.Y(), helper);
    ASSERT_EQ(module.Width(), 8);
    ASSERT_EQ(module.ColorBits(), 24);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
        {
            const int v = (x == 4 && y == 4) ? 255 : 0;
            EXPECT_EQ(At(module, x, y), (Pixel{v, v, v})) << x << "," << y;
        }
    // Every phase of a constant image is 0: black.
    const FCObjImage phase = BuildFourierPhaseDisplay(image, planes.Y(), helper);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(At(phase, x, y), (Pixel{0, 0, 0})) << x << "," << y;
}

TEST(ToolViewDisplays, TheSpectrumOfABlackOrFaintImageIsBlack)
{
    // All magnitudes zero (lmax = ln 1e-6 < 0), or all at most 1 (lmax <= 0): a negative or
    // unbounded scale must not turn the spectrum white or inverted.
    FFTW3Helper helper;
    FCObjImage faint = testimg::Flat(8, 8, 24, 0, 0, 0);
    faint.PixelAddress(3, 2)[0] = 1; // one blue byte: |spectrum| = 0.114 everywhere
    for (const FCObjImage& image : {testimg::Flat(8, 8, 24, 0, 0, 0), faint})
    {
        FCYUVPlanes planes;
        ASSERT_TRUE(planes.FromImage(image));
        const FCObjImage module = BuildFourierModuleDisplay(image, planes.Y(), helper);
        ASSERT_TRUE(module.HasBits());
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(At(module, x, y), (Pixel{0, 0, 0})) << x << "," << y;
    }
}

TEST(ToolViewDisplays, SpectraKeepTheImageSizeDepthAndAlphaAndSpreadTheirRange)
{
    FFTW3Helper helper;
    // Odd sizes and 32 bits: the picture is the image's size, alpha kept; the phase range runs
    // from 0 to 255.
    const FCObjImage image = testimg::Varied(13, 7, 32, 77);
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(image));
    const FCObjImage module = BuildFourierModuleDisplay(image, planes.Y(), helper);
    const FCObjImage phase = BuildFourierPhaseDisplay(image, planes.Y(), helper);
    for (const FCObjImage* d : {&module, &phase})
    {
        ASSERT_EQ(d->Width(), 13);
        ASSERT_EQ(d->Height(), 7);
        ASSERT_EQ(d->ColorBits(), 32);
        EXPECT_EQ(testimg::Alphas(*d), testimg::Alphas(image));
    }
    int low = 255, high = 0;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
        {
            const Pixel p = At(phase, x, y);
            EXPECT_TRUE(p.b == p.g && p.g == p.r);
            low = std::min(low, p.b);
            high = std::max(high, p.b);
        }
    EXPECT_EQ(low, 0);
    EXPECT_GE(high, 254);
    // The zero frequency of a picture with a bright mean is its brightest module.
    const FCObjImage bright = testimg::Flat(16, 16, 24, 200, 200, 200);
    FCObjImage textured = bright;
    for (int x = 0; x < 16; ++x)
        textured.PixelAddress(x, 3)[1] = 40;
    FCYUVPlanes tp;
    ASSERT_TRUE(tp.FromImage(textured));
    const FCObjImage tm = BuildFourierModuleDisplay(textured, tp.Y(), helper);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_LE(At(tm, x, y).b, At(tm, 8, 8).b) << x << "," << y;
    // No plane (the transform cannot be had): black, not garbage.
    const FCObjImage none = BuildFourierModuleDisplay(textured, nullptr, helper);
    EXPECT_EQ(At(none, 8, 8), (Pixel{0, 0, 0}));
}

TEST(ToolViewDisplays, TheFourteenViewsAndTheirTitles)
{
    ASSERT_EQ(ToolViewTable().size(), 14u);
    const std::vector<std::pair<int, std::string>> names = {
        {33062, "canal rouge"},
        {33068, "canal rouge(luminance)"},
        {33064, "canal vert"},
        {33069, "canal vert(luminance)"},
        {33066, "canal bleu"},
        {33070, "canal bleu(luminance)"},
        {33072, "canal Y luminance"},
        {33073, "canal U chrominance bleue"},
        {33077, "canal U chrominance bleue(luminance)"},
        {33074, "canal U chrominance rouge"},
        {33078, "canal U chrominance rouge(luminance)"},
        {33081, "Fourier (module-log)"},
        {33082, "Fourier (phase)"},
        {33119, "Edition (Fourier module)"},
    };
    for (const auto& [command, name] : names)
    {
        const ToolViewInfo* info = FindToolView(command);
        ASSERT_NE(info, nullptr) << command;
        EXPECT_EQ(info->name, name);
        EXPECT_EQ(info->contextMenu, command == 33119 ? 237 : 236) << command;
        // The three spectra are kept between paints; the others are rebuilt at every paint.
        EXPECT_EQ(info->cacheDisplay, command == 33081 || command == 33082 || command == 33119) << command;
    }
    EXPECT_EQ(FindToolView(33083), nullptr);

    struct Title
    {
        int zoom, views, number;
        bool modified;
        const wchar_t* text;
    };
    const std::vector<Title> titles = {
        {128, 2, 2, true, L"Outil photo.jpg (1:2) - canal bleu:2*"},
        {0, 1, 1, false, L"Outil photo.jpg ([]) - canal bleu"},
        {256, 1, 1, false, L"Outil photo.jpg (1:1) - canal bleu"},
        {1024, 3, 1, false, L"Outil photo.jpg (4:1) - canal bleu:1"},
        {16, 1, 1, true, L"Outil photo.jpg (1:16) - canal bleu*"},
    };
    for (const Title& t : titles)
        EXPECT_EQ(FormatToolViewTitle(L"photo.jpg", t.zoom, "canal bleu", t.views, t.number, t.modified),
                  t.text);
    EXPECT_EQ(FormatToolViewTitle(L"Image3", 256, "Fourier (phase)", 1, 1, false),
              L"Outil Image3 (1:1) - Fourier (phase)");
}
