// Channel and Y/U/V extraction effects, and the base of the effects that work on Y/U/V planes.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/FCYUVPlanes.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/VectorDispatch.h"
#include "imagelib/effects/YUVEffects.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace
{
struct Bgr
{
    int b, g, r;
};

struct ChannelCase
{
    const char* name;
    std::function<std::unique_ptr<FCImageEffect>()> make;
    Bgr from;
    Bgr to;
};

template <class E> std::function<std::unique_ptr<FCImageEffect>()> Maker()
{
    return [] { return std::make_unique<E>(); };
}

// Y = 21.85, U = -6.69, V = 5.81 for (B, G, R) = (10, 20, 30); U = -40 exactly for (0, 80, 80).
const ChannelCase kCases[] = {
    {"R", Maker<FCEffectGetRChannel>(), {10, 20, 30}, {0, 0, 30}},
    {"G", Maker<FCEffectGetGChannel>(), {10, 20, 30}, {0, 20, 0}},
    {"B", Maker<FCEffectGetBChannel>(), {10, 20, 30}, {10, 0, 0}},
    {"R grey", Maker<FCEffectGetRChannelLumi>(), {10, 20, 30}, {30, 30, 30}},
    {"G grey", Maker<FCEffectGetGChannelLumi>(), {10, 20, 30}, {20, 20, 20}},
    {"B grey", Maker<FCEffectGetBChannelLumi>(), {10, 20, 30}, {10, 10, 10}},
    {"Y", Maker<FCEffectYUVLuminance>(), {10, 20, 30}, {21, 21, 21}},
    {"Y white", Maker<FCEffectYUVLuminance>(), {255, 255, 255}, {255, 255, 255}},
    {"U", Maker<FCEffectYUVChrominanceBleue>(), {10, 20, 30}, {121, 134, 134}},
    {"U -40", Maker<FCEffectYUVChrominanceBleue>(), {0, 80, 80}, {88, 168, 168}},
    {"U blue", Maker<FCEffectYUVChrominanceBleue>(), {255, 0, 0}, {255, 0, 0}},
    {"U grey", Maker<FCEffectYUVChrominanceBleueLuminance>(), {10, 20, 30}, {121, 121, 121}},
    {"U -40 grey", Maker<FCEffectYUVChrominanceBleueLuminance>(), {0, 80, 80}, {88, 88, 88}},
    {"V", Maker<FCEffectYUVChrominanceRouge>(), {10, 20, 30}, {122, 122, 133}},
    {"V red", Maker<FCEffectYUVChrominanceRouge>(), {0, 0, 255}, {0, 0, 255}},
    {"V grey", Maker<FCEffectYUVChrominanceRougeLuminance>(), {10, 20, 30}, {133, 133, 133}},
};
} // namespace

TEST(YUVEffects, OnePixelOfEachEffect)
{
    for (const ChannelCase& c : kCases)
        for (int bpp : {24, 32})
        {
            FCObjImage image = testimg::Flat(3, 2, bpp, BYTE(c.from.b), BYTE(c.from.g), BYTE(c.from.r), 77);
            auto effect = c.make();
            EXPECT_EQ(effect->GetProcessMode(), kProcessPerRow) << c.name;
            ASSERT_TRUE(RunEffect(image, *effect, 1)) << c.name;
            const FCObjImage expected =
                testimg::Flat(3, 2, bpp, BYTE(c.to.b), BYTE(c.to.g), BYTE(c.to.r), 77);
            const BYTE* p = image.PixelAddress(2, 1);
            EXPECT_TRUE(testimg::SamePixels(image, expected))
                << c.name << " at " << bpp << " bits gave " << int(p[0]) << "," << int(p[1]) << ","
                << int(p[2]);
        }
}

TEST(YUVEffects, EveryGreyHasItsOwnLuminanceAndNoChrominance)
{
    FCObjImage greys;
    ASSERT_TRUE(greys.Create(256, 1, 24));
    for (int v = 0; v < 256; ++v)
    {
        BYTE* p = greys.PixelAddress(v, 0);
        p[0] = p[1] = p[2] = BYTE(v);
    }
    FCObjImage y(greys), u(greys), v(greys), ug(greys), vg(greys);
    FCEffectYUVLuminance fy;
    FCEffectYUVChrominanceBleue fu;
    FCEffectYUVChrominanceRouge fv;
    FCEffectYUVChrominanceBleueLuminance fug;
    FCEffectYUVChrominanceRougeLuminance fvg;
    RunEffect(y, fy, 1);
    RunEffect(u, fu, 1);
    RunEffect(v, fv, 1);
    RunEffect(ug, fug, 1);
    RunEffect(vg, fvg, 1);
    EXPECT_TRUE(testimg::SamePixels(y, greys)) << "luminance of grey v must be v";
    const FCObjImage mid = testimg::Flat(256, 1, 24, 128, 128, 128);
    EXPECT_TRUE(testimg::SamePixels(u, mid));
    EXPECT_TRUE(testimg::SamePixels(v, mid));
    EXPECT_TRUE(testimg::SamePixels(ug, mid));
    EXPECT_TRUE(testimg::SamePixels(vg, mid));
}

// The Y/U/V tool views show the cached planes; the effects must write exactly the same values.
TEST(YUVEffects, AgreeWithThePlanes)
{
    const FCObjImage source = testimg::Varied(31, 17, 24, 99);
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(source));
    FCObjImage y(source), u(source), v(source);
    FCEffectYUVLuminance fy;
    FCEffectYUVChrominanceBleue fu;
    FCEffectYUVChrominanceRouge fv;
    RunEffect(y, fy, 1);
    RunEffect(u, fu, 1);
    RunEffect(v, fv, 1);
    for (int row = 0; row < 17; ++row)
        for (int x = 0; x < 31; ++x)
        {
            const int i = row * 31 + x;
            ASSERT_EQ(y.PixelAddress(x, row)[0], TruncClampToByte(planes.Y()[i])) << x << "," << row;
            ASSERT_EQ(u.PixelAddress(x, row)[0], TruncClampToByte(planes.U()[i] + 128.0f)) << x << "," << row;
            ASSERT_EQ(u.PixelAddress(x, row)[2], TruncClampToByte(128.0f - planes.U()[i])) << x << "," << row;
            ASSERT_EQ(v.PixelAddress(x, row)[2], TruncClampToByte(planes.V()[i] + 128.0f)) << x << "," << row;
            ASSERT_EQ(v.PixelAddress(x, row)[0], TruncClampToByte(128.0f - planes.V()[i])) << x << "," << row;
        }
}

namespace
{
// Drops the colour: U and V set to 0.
class DropChroma : public FCEffectYUVBase
{
public:
    void ProcessPlanes(FCObjImage& image, FCProgressObserver* observer) override
    {
        seenObserver = observer;
        seenWidth = image.Width();
        const std::size_t n = std::size_t(m_planes.Width()) * m_planes.Height();
        std::fill_n(m_planes.U(), n, 0.0f);
        std::fill_n(m_planes.V(), n, 0.0f);
    }
    FCProgressObserver* seenObserver = nullptr;
    int seenWidth = 0;
};

class Answer : public FCProgressObserver
{
public:
    bool OnProgress(int) override { return true; }
};
} // namespace

TEST(YUVEffects, PlaneBaseSplitsWorksAndWritesBack)
{
    const FCObjImage source = testimg::Varied(6, 5, 32, 5);
    FCObjImage image(source);
    DropChroma effect;
    Answer observer;
    EXPECT_EQ(effect.GetProcessMode(), kProcessWholeImage);
    FCObjImage::ApplyEffect(image, effect, &observer);
    EXPECT_EQ(effect.seenObserver, &observer);
    EXPECT_EQ(effect.seenWidth, 6);
    EXPECT_EQ(testimg::Alphas(image), testimg::Alphas(source));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
        {
            const BYTE* s = source.PixelAddress(x, y);
            const BYTE* p = image.PixelAddress(x, y);
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
            EXPECT_EQ(p[0], TruncClampToByte(YuvLuma(s[2], s[1], s[0]))) << x << "," << y;
        }

    // 8-bit images are refused by the default check.
    FCObjImage grey;
    ASSERT_TRUE(grey.Create(4, 4, 8));
    DropChroma other;
    EXPECT_FALSE(RunEffect(grey, other, 1));
    EXPECT_EQ(other.seenWidth, 0);
}

// The luminance's run loops work in integers: on every instruction set they give the bytes of the
// pixel-by-pixel formula for every one of the 2^24 colours, at 24 bits and, the alpha kept, at 32.
TEST(YUVEffects, LuminanceRowsGiveTheFormulaForEveryColour)
{
    for (int bpp : {24, 32})
    {
        FCObjImage source;
        ASSERT_TRUE(source.Create(4096, 4096, bpp));
        for (int y = 0; y < 4096; ++y)
            for (int x = 0; x < 4096; ++x)
            {
                const int colour = y * 4096 + x;
                BYTE* p = source.PixelAddress(x, y);
                p[0] = BYTE(colour);
                p[1] = BYTE(colour >> 8);
                p[2] = BYTE(colour >> 16);
                if (bpp == 32) p[3] = BYTE(x ^ y);
            }
        for (int set : {2, 1, 0})
        {
            AllowAvx2(set >= 1);
            AllowAvx512(set >= 2);
            FCObjImage image(source);
            FCEffectYUVLuminance effect;
            RunEffect(image, effect, 3);
            bool same = true;
            for (int y = 0; y < 4096 && same; ++y)
                for (int x = 0; x < 4096 && same; ++x)
                {
                    const BYTE* s = source.PixelAddress(x, y);
                    const BYTE* d = image.PixelAddress(x, y);
                    const BYTE v = TruncClampToByte(YuvLuma(s[2], s[1], s[0]));
                    same = d[0] == v && d[1] == v && d[2] == v && (bpp == 24 || d[3] == s[3]);
                    EXPECT_TRUE(same)
                        << bpp << " bits, instruction set " << set << ", colour " << y * 4096 + x;
                }
        }
        AllowAvx2(true);
        AllowAvx512(true);
    }
}
