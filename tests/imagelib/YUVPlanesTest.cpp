// The Y/U/V planes: formulas, the way back, sizes, depths and alpha.
#include "TestImages.h"

#include "imagelib/FCYUVPlanes.h"
#include "imagelib/PixelHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

TEST(YUVPlanes, EveryGreyComesBackExactly)
{
    FCObjImage image;
    ASSERT_TRUE(image.Create(256, 1, 24));
    for (int v = 0; v < 256; ++v)
    {
        BYTE* p = image.PixelAddress(v, 0);
        p[0] = p[1] = p[2] = BYTE(v);
    }
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(image));
    for (int v = 0; v < 256; ++v)
    {
        EXPECT_EQ(int(planes.Y()[v]), v) << "luma of grey " << v;
        EXPECT_NEAR(planes.U()[v], 0.0f, 1e-3) << v;
        EXPECT_NEAR(planes.V()[v], 0.0f, 1e-3) << v;
    }
    FCObjImage back(image);
    std::memset(back.RowAddress(0), 0, 3 * 256);
    ASSERT_TRUE(planes.ToImage(back));
    for (int v = 0; v < 256; ++v)
    {
        const BYTE* p = back.PixelAddress(v, 0);
        EXPECT_TRUE(p[0] == v && p[1] == v && p[2] == v)
            << "grey " << v << " came back as " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
    }
}

TEST(YUVPlanes, PrimariesAndColoursRoundTrip)
{
    struct Case
    {
        BYTE b, g, r;
    } cases[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {100, 100, 100}};
    for (const Case& c : cases)
    {
        FCObjImage image = testimg::Flat(3, 2, 24, c.b, c.g, c.r);
        FCYUVPlanes planes;
        ASSERT_TRUE(planes.FromImage(image));
        FCObjImage back = testimg::Flat(3, 2, 24, 1, 2, 3);
        ASSERT_TRUE(planes.ToImage(back));
        EXPECT_TRUE(testimg::SamePixels(image, back)) << int(c.b) << "," << int(c.g) << "," << int(c.r);
    }

    // Any colour comes back within one step: the way back truncates.
    const FCObjImage varied = testimg::Varied(40, 30, 24);
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(varied));
    FCObjImage back;
    ASSERT_TRUE(planes.ToImage(back));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            for (int k = 0; k < 3; ++k)
                ASSERT_LE(std::abs(int(back.PixelAddress(x, y)[k]) - int(varied.PixelAddress(x, y)[k])), 1)
                    << x << "," << y << " byte " << k;
}

TEST(YUVPlanes, FormulasOfOnePixel)
{
    FCObjImage image = testimg::Flat(1, 1, 32, 10, 20, 30, 99); // B, G, R
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(image));
    EXPECT_FLOAT_EQ(planes.Y()[0], float(0.299 * 30 + 0.587 * 20 + 0.114 * 10));
    EXPECT_FLOAT_EQ(planes.U()[0], float(0.5 * 10 - (0.169 * 30 + 0.331 * 20)));
    EXPECT_FLOAT_EQ(planes.V()[0], float(0.5 * 30 - 0.419 * 20 - 0.081 * 10));
}

// Large enough for the rows to be split over threads.
TEST(YUVPlanes, LargeImagesFollowThePixelFormulas)
{
    const FCObjImage source = testimg::Varied(700, 400, 32, 17);
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(source));
    FCObjImage back(source);
    ASSERT_TRUE(planes.ToImage(back));
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 700; ++x)
        {
            const BYTE* s = source.PixelAddress(x, y);
            const std::size_t i = std::size_t(y) * 700 + x;
            const float Y = YuvLuma(s[2], s[1], s[0]), U = YuvChromaU(s[2], s[1], s[0]),
                        V = YuvChromaV(s[2], s[1], s[0]);
            ASSERT_EQ(planes.Y()[i], Y) << x << "," << y;
            ASSERT_EQ(planes.U()[i], U) << x << "," << y;
            ASSERT_EQ(planes.V()[i], V) << x << "," << y;
            const BYTE* b = back.PixelAddress(x, y);
            ASSERT_EQ(b[0], TruncClampToByte(YuvToBlue(Y, U, V))) << x << "," << y;
            ASSERT_EQ(b[1], TruncClampToByte(YuvToGreen(Y, U, V))) << x << "," << y;
            ASSERT_EQ(b[2], TruncClampToByte(YuvToRed(Y, U, V))) << x << "," << y;
            ASSERT_EQ(b[3], s[3]) << x << "," << y;
        }
}

TEST(YUVPlanes, EightBitImagesAreReadThroughTheirPalette)
{
    // Width 4 fills the padded row: reading 3 bytes a pixel would run past the top row.
    FCObjImage image;
    ASSERT_TRUE(image.Create(4, 3, 8));
    RGBQUAD pal[256];
    for (int i = 0; i < 256; ++i)
        pal[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    image.SetPalette(pal);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            *image.PixelAddress(x, y) = BYTE(60 * y + 17 * x);
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(image));
    ASSERT_EQ(planes.Width(), 4);
    ASSERT_EQ(planes.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
        {
            const RGBQUAD& c = pal[60 * y + 17 * x];
            const int i = y * 4 + x;
            EXPECT_EQ(planes.Y()[i], YuvLuma(c.rgbRed, c.rgbGreen, c.rgbBlue));
            EXPECT_EQ(planes.U()[i], YuvChromaU(c.rgbRed, c.rgbGreen, c.rgbBlue));
            EXPECT_EQ(planes.V()[i], YuvChromaV(c.rgbRed, c.rgbGreen, c.rgbBlue));
        }
}

TEST(YUVPlanes, SizesDepthsAndAlpha)
{
    // Same size at 32 bits: every alpha byte stays.
    const FCObjImage source = testimg::Varied(5, 4, 32, 4242);
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(source));
    FCObjImage same(source);
    ASSERT_TRUE(planes.ToImage(same));
    EXPECT_EQ(testimg::Alphas(same), testimg::Alphas(source));

    // Another size: re-created at the planes' size with the old depth; 32 bits come back opaque.
    for (int bpp : {24, 32})
    {
        FCObjImage other = testimg::Flat(9, 2, bpp, 1, 2, 3, 0);
        ASSERT_TRUE(planes.ToImage(other));
        ASSERT_EQ(other.Width(), 5);
        ASSERT_EQ(other.Height(), 4);
        ASSERT_EQ(other.ColorBits(), bpp);
        if (bpp == 32)
        {
            EXPECT_EQ(testimg::Alphas(other), std::vector<BYTE>(20, 255));
        }
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(std::memcmp(other.PixelAddress(x, y), same.PixelAddress(x, y), 3), 0)
                    << x << "," << y;
    }

    // A new size re-allocates the planes.
    ASSERT_TRUE(planes.FromImage(testimg::Flat(2, 3, 24, 9, 9, 9)));
    EXPECT_EQ(planes.Width(), 2);
    EXPECT_EQ(planes.Height(), 3);
    EXPECT_EQ(planes.Y()[5], 9.0f);
}

TEST(YUVPlanes, EmptyInputsFailCleanly)
{
    FCYUVPlanes planes;
    FCObjImage untouched = testimg::Flat(2, 2, 24, 5, 6, 7);
    EXPECT_FALSE(planes.ToImage(untouched)) << "no planes yet";
    EXPECT_TRUE(testimg::SamePixels(untouched, testimg::Flat(2, 2, 24, 5, 6, 7)));

    ASSERT_TRUE(planes.FromImage(untouched));
    FCObjImage empty;
    EXPECT_FALSE(planes.FromImage(empty));
    EXPECT_TRUE(planes.IsEmpty());
    EXPECT_EQ(planes.Width(), 0);
    EXPECT_FALSE(planes.ToImage(untouched));
}
