#include "TestImages.h"

#include "views/OverlayImages.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(OverlayImages, PremultipliedAlpha)
{
    FCObjImage image = testimg::Flat(2, 1, 32, 200, 100, 50, 128);
    const FCObjImage copy = PremultipliedCopy(image);
    const BYTE expected[4] = {100, 50, 25, 128}, original[4] = {200, 100, 50, 128};
    EXPECT_EQ(std::memcmp(copy.PixelAddress(1, 0), expected, 4), 0);
    EXPECT_EQ(std::memcmp(image.PixelAddress(1, 0), original, 4), 0);
}

TEST(OverlayImages, DisplayImageIsHalfTransparent)
{
    FCObjImage picture = testimg::Flat(3, 2, 24, 255, 255, 255);
    MakeOverlayDisplayImage(picture);
    ASSERT_EQ(picture.ColorBits(), 32);
    const BYTE expected[4] = {127, 127, 127, 127};
    EXPECT_EQ(std::memcmp(picture.PixelAddress(2, 1), expected, 4), 0);
}

TEST(OverlayImages, BackgroundIsBlackOffTheImageAndTheDocumentElsewhere)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage document = testimg::Varied(10, 8, bpp);
        FCObjImage background;
        ComposeOverlayBackground(background, 4, 3, document, POINT{-2, -1});
        ASSERT_EQ(background.ColorBits(), bpp);
        const int step = bpp / 8;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
            {
                const BYTE* got = background.PixelAddress(x, y);
                if (x < 2 || y < 1)
                {
                    EXPECT_EQ(got[0] | got[1] | got[2], 0) << x << "," << y;
                    EXPECT_TRUE(bpp == 24 || got[3] == 255);
                }
                else
                {
                    EXPECT_EQ(std::memcmp(got, document.PixelAddress(x - 2, y - 1), std::size_t(step)), 0);
                }
            }
        // Wholly off the image: all black.
        ComposeOverlayBackground(background, 4, 3, document, POINT{20, 0});
        EXPECT_EQ(background.PixelAddress(3, 2)[0], 0);
    }
}

TEST(OverlayImages, BackgroundFollowsTheDocumentDepth)
{
    // The document may change depth while the paste window is open: the background is made
    // again at the new depth, never filled with rows of the other depth.
    FCObjImage background;
    ComposeOverlayBackground(background, 5, 5, testimg::Varied(8, 8, 24), POINT{0, 0});
    ASSERT_EQ(background.ColorBits(), 24);
    const FCObjImage wide = testimg::Varied(8, 8, 32);
    ComposeOverlayBackground(background, 5, 5, wide, POINT{1, 1});
    ASSERT_EQ(background.ColorBits(), 32);
    EXPECT_EQ(std::memcmp(background.PixelAddress(4, 4), wide.PixelAddress(5, 5), 4), 0);

    // An 8-bit document lends its palette, so that its pixels show in their own colours.
    FCObjImage indexed = testimg::Indexed(4, 4, 9, RGBQUAD{10, 20, 30, 0});
    indexed.PixelAddress(1, 1)[0] = 9;
    ComposeOverlayBackground(background, 2, 2, indexed, POINT{1, 1});
    ASSERT_EQ(background.ColorBits(), 8);
    EXPECT_EQ(background.PixelAddress(0, 0)[0], 9);
    RGBQUAD got[256];
    background.GetPalette(got);
    EXPECT_EQ(got[9].rgbBlue, 10);
    EXPECT_EQ(got[9].rgbRed, 30);
}

TEST(OverlayImages, PasteModes)
{
    const int numbers[] = {33021, 33035, 33037, 33038, 33039, 33040, 33041, 33042, 33043, 33044, 33045};
    for (int mode = 0; mode <= 10; ++mode)
        EXPECT_EQ(PasteModeOfCommand(numbers[mode]), mode);
    EXPECT_EQ(PasteModeOfCommand(33023), -1);
}
