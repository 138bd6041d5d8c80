// From the rotation and size dialogs' values to the effect the document applies.
#include "TestImages.h"

#include "document/RotateResizeCommands.h"
#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/ResizeEffects.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace
{
constexpr double kDegree = 0.017453292519943295;

bool SamePixels(const FCObjImage& a, const FCObjImage& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.ColorBits() != b.ColorBits()) return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.RowAddress(y), b.RowAddress(y), std::size_t(a.Width() * a.ColorBits() / 8)) != 0)
            return false;
    return true;
}

FCObjImage Applied(const FCObjImage& source, FCImageEffect& effect)
{
    FCObjImage image = source;
    FCObjImage::ApplyEffect(image, effect, nullptr);
    return image;
}
} // namespace

TEST(RotateResizeCommands, RotationSignAndRoad)
{
    struct Case
    {
        double angle;
        bool toRight;
        bool freeImage;
        double expectDegrees; // FreeImage's angle, or our own turn's in degrees
    };
    const Case cases[] = {
        {30, false, false, 330}, // to the left turns back by 30: 330 clockwise
        {30, false, true, 30},   // FreeImage turns anticlockwise: minus the signed angle
        {30, true, false, 30},   {30, true, true, -30},    {0, true, false, 0},       {360, true, false, 0},
        {725, true, false, 5},   {725, false, false, 355}, {12.5, false, true, 12.5},
    };
    for (const Case& c : cases)
    {
        const auto command = RotationFromDialog({c.angle, c.toRight, c.freeImage});
        ASSERT_TRUE(command) << c.angle;
        EXPECT_EQ(command->freeImage, c.freeImage);
        if (c.freeImage)
            EXPECT_DOUBLE_EQ(command->freeImageDegrees, c.expectDegrees) << c.angle << " " << c.toRight;
        else
            EXPECT_DOUBLE_EQ(command->radians, c.expectDegrees * kDegree) << c.angle << " " << c.toRight;
    }
}

TEST(RotateResizeCommands, NormalisingNeverLoopsAndStaysBelowAWholeTurn)
{
    // An angle far beyond what adding 360 can change would never come out of a loop.
    EXPECT_DOUBLE_EQ(NormaliseDegrees(-1e20), std::fmod(-1e20, 360.0) + 360.0);
    EXPECT_GE(NormaliseDegrees(-1e20), 0.0);
    EXPECT_LT(NormaliseDegrees(1e300), 360.0);
    // A negative angle too small to survive adding 360 is a whole turn: 0, never 360.
    EXPECT_EQ(NormaliseDegrees(-1e-20), 0.0);
    EXPECT_DOUBLE_EQ(NormaliseDegrees(-30), 330.0);
    EXPECT_DOUBLE_EQ(NormaliseDegrees(-360), 0.0);
    // Angles that are not numbers make no rotation at all.
    for (double bad : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::quiet_NaN()})
        for (bool freeImage : {false, true})
            EXPECT_FALSE(RotationFromDialog({bad, false, freeImage}));
}

TEST(RotateResizeCommands, TheEffectMadeIsTheOneThatWasDerived)
{
    const FCObjImage source = testimg::Varied(21, 13, 32);
    const auto own = RotationFromDialog({30, false, false});
    ASSERT_TRUE(own);
    auto made = MakeRotationEffect(*own);
    ASSERT_NE(dynamic_cast<FCEffectRotate*>(made.get()), nullptr);
    FCEffectRotate direct(330 * kDegree, 0);
    EXPECT_TRUE(SamePixels(Applied(source, *made), Applied(source, direct)));

    const auto viaFreeImage = RotationFromDialog({30, false, true});
    made = MakeRotationEffect(*viaFreeImage);
    ASSERT_NE(dynamic_cast<FCEffectRotateFreeImage*>(made.get()), nullptr);
    FCEffectRotateFreeImage directFree(30);
    EXPECT_TRUE(SamePixels(Applied(source, *made), Applied(source, directFree)));

    ResizeCommand resize{false, 9, 5, 0};
    made = MakeResizeEffect(resize);
    ASSERT_NE(dynamic_cast<FCEffectResize*>(made.get()), nullptr);
    const FCObjImage resized = Applied(source, *made);
    EXPECT_EQ(resized.Width(), 9);
    EXPECT_EQ(resized.Height(), 5);
    FCEffectResize directResize(9, 5);
    EXPECT_TRUE(SamePixels(resized, Applied(source, directResize)));

    resize = ResizeCommand{true, 9, 5, 3};
    made = MakeResizeEffect(resize);
    ASSERT_NE(dynamic_cast<FCEffectResizeFreeImage*>(made.get()), nullptr);
    FCEffectResizeFreeImage directFreeResize(9, 5, 3);
    EXPECT_TRUE(SamePixels(Applied(source, *made), Applied(source, directFreeResize)));
}

TEST(RotateResizeCommands, NewSizeTable)
{
    struct Case
    {
        int imageW, imageH;
        ResizeValues values;
        bool accepted;
        std::int64_t w, h;
        ResizeRefusal refusal;
    };
    const Case cases[] = {
        {400, 300, {0, 150, true, false, false, 1}, true, 200, 150, ResizeRefusal::None},
        {400, 300, {200, 999, false, true, false, 1}, true, 200, 150, ResizeRefusal::None},
        {400, 300, {640, 480, false, false, true, 5}, true, 640, 480, ResizeRefusal::None},
        // Whole-number divisions: 400 x 100 / 300 = 133.3.
        {400, 300, {0, 100, true, false, false, 1}, true, 133, 100, ResizeRefusal::None},
        // An empty field reads 0: refused, never applied.
        {400, 300, {0, 300, false, false, false, 1}, false, 0, 300, ResizeRefusal::TooSmall},
        {400, 300, {400, -5, false, false, false, 1}, false, 400, -5, ResizeRefusal::TooSmall},
        // The automatic side rounds down to nothing.
        {1, 1000, {0, 100, true, false, false, 1}, false, 0, 100, ResizeRefusal::TooSmall},
        {1000, 1, {100, 0, false, true, false, 1}, false, 100, 0, ResizeRefusal::TooSmall},
        // Computed in 64 bits: the product passes 2^31 without wrapping, the result is too big.
        {60000,
         2,
         {0, INT_MAX, true, false, false, 1},
         false,
         std::int64_t(60000) * INT_MAX / 2,
         INT_MAX,
         ResizeRefusal::TooLarge},
        {60000, 40000, {0, 50000, true, false, false, 1}, true, 75000, 50000, ResizeRefusal::None},
    };
    for (const Case& c : cases)
    {
        const ResizeDecision d = ResizeFromDialog(c.imageW, c.imageH, c.values);
        EXPECT_EQ(bool(d.command), c.accepted)
            << c.imageW << "x" << c.imageH << " -> " << d.width << "x" << d.height;
        EXPECT_EQ(d.width, c.w);
        EXPECT_EQ(d.height, c.h);
        EXPECT_EQ(d.refusal, c.refusal);
        if (d.command)
        {
            EXPECT_EQ(d.command->width, c.w);
            EXPECT_EQ(d.command->height, c.h);
            EXPECT_EQ(d.command->freeImage, c.values.useFreeImage);
            EXPECT_EQ(d.command->filter, c.values.filter);
        }
    }
}
