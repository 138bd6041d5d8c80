// The FreeImage-based rescale and rotation: layout and byte order round trips, depths kept,
// conversions of what FreeImage hands back, failures that leave the image alone.
#include "ScriptedObserver.h"
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/codecs/FreeImageInclude.h"
#include "imagelib/effects/ResizeEffects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace
{
class RecordingObserver : public FCProgressObserver
{
public:
    explicit RecordingObserver(bool answer = true) : m_answer(answer) {}
    bool OnProgress(int percent) override
    {
        calls.push_back(percent);
        return m_answer;
    }
    std::vector<int> calls;

private:
    bool m_answer;
};

// Blue everywhere but a red 2 x 2 block at the top left (alpha 255).
FCObjImage RedCorner(int w, int h, int bpp)
{
    FCObjImage image = testimg::Flat(w, h, bpp, 255, 0, 0, 255);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
        {
            BYTE* p = image.PixelAddress(x, y);
            p[0] = 0;
            p[2] = 255;
        }
    return image;
}

bool IsRed(const FCObjImage& image, int x, int y)
{
    const BYTE* p = image.PixelAddress(x, y);
    return p[2] > 200 && p[0] < 60 && p[1] < 60;
}

bool IsBlue(const FCObjImage& image, int x, int y)
{
    const BYTE* p = image.PixelAddress(x, y);
    return p[0] > 200 && p[2] < 60 && p[1] < 60;
}

// Hands back a copy of the bitmap converted by `convert`, to see CopyBack bring low depths up.
class ConvertingEffect : public FCEffectFreeImage
{
public:
    explicit ConvertingEffect(FIBITMAP* (*convert)(FIBITMAP*)) : m_convert(convert) {}
    FIBITMAP* RunFreeImage() override { return m_convert(m_bitmap); }
    bool Prepared() const { return m_bitmap != nullptr; }

private:
    FIBITMAP* (*m_convert)(FIBITMAP*);
};
} // namespace

TEST(GeometryFreeImage, RescaleToTheSameSizeKeepsLayoutAndByteOrderForEveryFilter)
{
    for (int bpp : {24, 32})
        for (int filter = 0; filter <= 5; ++filter)
        {
            FCObjImage image = RedCorner(8, 6, bpp);
            FCEffectResizeFreeImage effect(8, 6, filter);
            ASSERT_TRUE(RunEffect(image, effect, 1));
            ASSERT_EQ(image.Width(), 8);
            ASSERT_EQ(image.Height(), 6);
            ASSERT_EQ(image.ColorBits(), bpp);
            EXPECT_TRUE(IsRed(image, 0, 0)) << "filter " << filter << " at " << bpp;
            EXPECT_TRUE(IsBlue(image, 7, 5)) << "filter " << filter << " at " << bpp;
            EXPECT_TRUE(IsBlue(image, 7, 0)) << "filter " << filter << " at " << bpp;
            EXPECT_TRUE(IsBlue(image, 0, 5)) << "filter " << filter << " at " << bpp;
        }
}

TEST(GeometryFreeImage, RescaleGivesTheNewSizeAtTheSameDepthWithItsProgress)
{
    for (int bpp : {24, 32})
    {
        FCObjImage image = RedCorner(8, 6, bpp);
        FCEffectResizeFreeImage effect(16, 12, 5);
        RecordingObserver observer;
        FCObjImage::ApplyEffect(image, effect, &observer);
        EXPECT_EQ(image.Width(), 16);
        EXPECT_EQ(image.Height(), 12);
        EXPECT_EQ(image.ColorBits(), bpp);
        EXPECT_TRUE(IsRed(image, 0, 0));
        EXPECT_TRUE(IsBlue(image, 15, 11));
        EXPECT_EQ(observer.calls, (std::vector<int>{0, 1, 98, 99, 100}));
        if (bpp == 32)
        {
            EXPECT_EQ(testimg::Alphas(image), std::vector<BYTE>(16 * 12, 255));
        }
    }
}

TEST(GeometryFreeImage, PositiveAnglesTurnAnticlockwise)
{
    for (int bpp : {24, 32})
    {
        FCObjImage image = RedCorner(8, 6, bpp);
        FCEffectRotateFreeImage effect(90);
        ASSERT_TRUE(RunEffect(image, effect, 1));
        ASSERT_EQ(image.Width(), 6);
        ASSERT_EQ(image.Height(), 8);
        ASSERT_EQ(image.ColorBits(), bpp);
        // The top-left corner goes to the bottom left.
        EXPECT_TRUE(IsRed(image, 0, 7)) << bpp;
        EXPECT_TRUE(IsRed(image, 1, 6)) << bpp;
        EXPECT_TRUE(IsBlue(image, 0, 0)) << bpp;
        EXPECT_TRUE(IsBlue(image, 5, 7)) << bpp;
    }
}

TEST(GeometryFreeImage, FreeAngleGrowsTheImageWithClearCorners)
{
    FCObjImage image = testimg::Flat(5, 3, 32, 10, 20, 30, 255);
    FCEffectRotateFreeImage effect(30);
    ASSERT_TRUE(RunEffect(image, effect, 1));
    EXPECT_EQ(image.Width(), 7);
    EXPECT_EQ(image.Height(), 6);
    EXPECT_EQ(image.ColorBits(), 32);
    EXPECT_EQ(image.PixelAddress(0, 0)[3], 0);

    FCObjImage flat = testimg::Flat(40, 30, 24, 10, 20, 30);
    FCEffectRotateFreeImage turn(-30);
    RunEffect(flat, turn, 1);
    EXPECT_EQ(flat.ColorBits(), 24);
    EXPECT_GT(flat.Width(), 40);
    const BYTE* corner = flat.PixelAddress(0, 0);
    EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
}

TEST(GeometryFreeImage, AFailureLeavesTheImageAsItWas)
{
    const FCObjImage source = testimg::Varied(9, 7, 32);
    struct Case
    {
        const char* name;
        std::unique_ptr<FCImageEffect> effect;
    };
    std::vector<Case> cases;
    cases.push_back({"rescale to 0 x 0", std::make_unique<FCEffectResizeFreeImage>(0, 0, 2)});
    cases.push_back({"rescale to -4 x 3", std::make_unique<FCEffectResizeFreeImage>(-4, 3, 1)});
    // 2.4 GB at 32 bits: more than an image may hold.
    cases.push_back(
        {"rescale beyond what an image holds", std::make_unique<FCEffectResizeFreeImage>(30000, 20000, 0)});
    cases.push_back({"rotate by no number", std::make_unique<FCEffectRotateFreeImage>(std::nan(""))});
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (auto& c : cases)
    {
        FCObjImage image(source);
        RecordingObserver observer;
        FCObjImage::ApplyEffect(image, *c.effect, &observer);
        EXPECT_TRUE(testimg::SamePixels(image, source)) << c.name;
        EXPECT_EQ(observer.calls, (std::vector<int>{0, 1, 98, 99, 100})) << c.name;
    }
    // The size no image can hold was refused before the library allocated it.
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 512L * 1024) << "kilobytes";
}

// A stop at the checkpoint before FreeImage's call, or at one after it, leaves the image as it
// was; the call itself is not stopped.
TEST(GeometryFreeImage, AStopAtACheckpointLeavesTheImageAsItWas)
{
    const FCObjImage source = RedCorner(8, 6, 24);
    struct Case
    {
        int refuseAt; // counted from the driver's 0
        std::vector<int> calls;
    };
    const Case cases[] = {{0, {0, 1}}, {1, {0, 1}}, {2, {0, 1, 98}}, {3, {0, 1, 98, 99}}};
    for (const Case& c : cases)
    {
        FCObjImage image(source);
        FCEffectResizeFreeImage effect(4, 3, 0);
        testobs::ScriptedObserver observer(c.refuseAt);
        FCObjImage::ApplyEffect(image, effect, &observer);
        EXPECT_EQ(observer.GetCancelFlag(), 1) << c.refuseAt;
        EXPECT_EQ(observer.calls, c.calls) << c.refuseAt;
        EXPECT_TRUE(testimg::SamePixels(image, source)) << c.refuseAt;
    }
    // A refusal of the last report comes after the copy back: the result stays.
    FCObjImage image(source);
    FCEffectResizeFreeImage effect(4, 3, 0);
    testobs::ScriptedObserver observer(4);
    FCObjImage::ApplyEffect(image, effect, &observer);
    EXPECT_EQ(observer.calls, (std::vector<int>{0, 1, 98, 99, 100}));
    EXPECT_EQ(image.Width(), 4);
}

TEST(GeometryFreeImage, LowDepthResultsComeBackAs24Or32Bits)
{
    // Greyscale 8 bits comes back as 24; an 8-bit bitmap with transparency as 32.
    FCObjImage image = testimg::Flat(6, 4, 24, 40, 80, 120);
    ConvertingEffect grey(&FreeImage_ConvertToGreyscale);
    ASSERT_TRUE(RunEffect(image, grey, 1));
    EXPECT_EQ(image.ColorBits(), 24);
    EXPECT_EQ(image.Width(), 6);
    EXPECT_EQ(image.Height(), 4);
    const BYTE* p = image.PixelAddress(3, 2);
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    EXPECT_GT(p[0], 40);
    EXPECT_LT(p[0], 120);

    auto transparentGrey = [](FIBITMAP* dib) -> FIBITMAP*
    {
        FIBITMAP* g = FreeImage_ConvertToGreyscale(dib);
        if (g)
        {
            BYTE table[256]; // every grey level fully transparent
            std::fill(std::begin(table), std::end(table), BYTE(0));
            FreeImage_SetTransparencyTable(g, table, 256);
        }
        return g;
    };
    FCObjImage clear = testimg::Flat(6, 4, 24, 40, 80, 120);
    ConvertingEffect withAlpha(+transparentGrey);
    ASSERT_TRUE(RunEffect(clear, withAlpha, 1));
    EXPECT_EQ(clear.ColorBits(), 32);
    EXPECT_EQ(testimg::Alphas(clear), std::vector<BYTE>(6 * 4, 0));
}

TEST(GeometryFreeImage, APreparedBitmapIsReleasedWithTheEffect)
{
    // Prepared but never applied (a run given up before it started): LeakSanitizer sees a leak
    // unless the effect releases the bitmap itself.
    FCObjImage image = testimg::Varied(5, 5, 24);
    auto effect = std::make_unique<ConvertingEffect>(&FreeImage_ConvertToGreyscale);
    effect->PrepareImage(image);
    EXPECT_TRUE(effect->Prepared());
    effect.reset();

    // Preparing twice keeps one bitmap.
    ConvertingEffect twice(&FreeImage_ConvertToGreyscale);
    twice.PrepareImage(image);
    twice.PrepareImage(image);
    EXPECT_TRUE(twice.Prepared());
}
