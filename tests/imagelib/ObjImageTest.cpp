#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/FCObjImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

TEST(ObjImage, CreateRefusesBadSizesAndDepths)
{
    struct Case
    {
        int w, h, bpp;
    } cases[] = {{0, 5, 24}, {5, 0, 24}, {-1, 5, 24},      {5, 5, 16},
                 {5, 5, 1},  {5, 5, 0},  {INT_MAX, 1, 32}, {100000, 100000, 24}};
    for (const Case& c : cases)
    {
        FCObjImage image;
        ASSERT_TRUE(image.Create(2, 2, 24));
        EXPECT_FALSE(image.Create(c.w, c.h, c.bpp)) << c.w << "x" << c.h << "x" << c.bpp;
        EXPECT_FALSE(image.HasBits());
        EXPECT_EQ(image.Width(), 0);
        EXPECT_EQ(image.Height(), 0);
        EXPECT_EQ(image.ColorBits(), 0);
        EXPECT_EQ(image.Rows(), nullptr);
    }
}

TEST(ObjImage, PitchAndBottomUpRowTable)
{
    struct Case
    {
        int w, bpp, pitch;
    } cases[] = {{3, 24, 12}, {1, 8, 4}, {5, 8, 8}, {2, 24, 8}, {3, 32, 12}};
    for (const Case& c : cases)
    {
        FCObjImage image;
        ASSERT_TRUE(image.Create(c.w, 1, c.bpp));
        EXPECT_EQ(image.RowPitch(), c.pitch) << c.w << "x" << c.bpp;
    }
    FCObjImage image;
    ASSERT_TRUE(image.Create(3, 2, 24));
    EXPECT_EQ(image.RowAddress(0), image.GetBits() + 12);
    EXPECT_EQ(image.RowAddress(1), image.GetBits());
    for (int i = 0; i < 24; ++i)
        ASSERT_EQ(image.GetBits()[i], 0);

    FCObjImage deep;
    ASSERT_TRUE(deep.Create(4, 3, 32));
    EXPECT_EQ(deep.PixelAddress(2, 1), deep.RowAddress(1) + 8);
    FCObjImage grey;
    ASSERT_TRUE(grey.Create(4, 3, 8));
    EXPECT_EQ(grey.PixelAddress(2, 1), grey.RowAddress(1) + 2);
    FCObjImage rgb;
    ASSERT_TRUE(rgb.Create(4, 3, 24));
    EXPECT_EQ(rgb.PixelAddress(2, 1), rgb.RowAddress(1) + 6);
    EXPECT_TRUE(rgb.IsInside(3, 2));
    EXPECT_FALSE(rgb.IsInside(4, 2));
    EXPECT_FALSE(rgb.IsInside(0, -1));
}

TEST(ObjImage, EightBitImagesStartWithTheGreyRampInBothTables)
{
    FCObjImage image;
    ASSERT_TRUE(image.Create(1, 1, 8));
    RGBQUAD pal[256];
    image.GetPalette(pal);
    EXPECT_EQ(pal[200].rgbBlue, 200);
    EXPECT_EQ(pal[200].rgbGreen, 200);
    EXPECT_EQ(pal[200].rgbRed, 200);
    EXPECT_EQ(pal[200].rgbReserved, 255);
    RGBQUAD section[256];
    ASSERT_EQ(GetDIBColorTable(image.GetBitmap(), 0, 256, section), 256u);
    EXPECT_EQ(section[17].rgbRed, 17);

    pal[3] = RGBQUAD{1, 2, 3, 0};
    image.SetPalette(pal);
    ASSERT_EQ(GetDIBColorTable(image.GetBitmap(), 3, 1, section), 1u);
    EXPECT_EQ(section[0].rgbRed, 3);

    FCObjImage rgb;
    ASSERT_TRUE(rgb.Create(1, 1, 24));
    RGBQUAD untouched[256] = {};
    untouched[0].rgbRed = 77;
    rgb.GetPalette(untouched);
    EXPECT_EQ(untouched[0].rgbRed, 77);
    EXPECT_EQ(rgb.PaletteEntries(), nullptr);
}

TEST(ObjImage, AssignmentIsDeepAndCarriesPaletteAndGraphField)
{
    FCObjImage src = testimg::Varied(5, 4, 8);
    RGBQUAD pal[256];
    src.GetPalette(pal);
    pal[9] = RGBQUAD{10, 20, 30, 40};
    src.SetPalette(pal);
    src.m_graphData = 0x1234567890LL;

    FCObjImage copy;
    copy = src;
    EXPECT_TRUE(testimg::SamePixels(copy, src));
    EXPECT_EQ(copy.m_graphData, 0x1234567890LL);
    RGBQUAD got[256];
    copy.GetPalette(got);
    EXPECT_EQ(got[9].rgbGreen, 20);
    EXPECT_NE(copy.GetBits(), src.GetBits());
    src.PixelAddress(0, 0)[0] ^= 0xFF;
    EXPECT_FALSE(testimg::SamePixels(copy, src));

    FCObjImage built(copy);
    EXPECT_TRUE(testimg::SamePixels(built, copy));

    const FCObjImage before(copy);
    copy = copy;
    EXPECT_TRUE(testimg::SamePixels(copy, before));

    copy = FCObjImage();
    EXPECT_FALSE(copy.HasBits());
    EXPECT_EQ(copy.Width(), 0);
}

// A large copy made inside a run is shared out over its threads (never more than the run has; how
// many take a part depends on how soon they are free), byte for byte the same, and whole when its
// size is no whole number of the parts (a pitch with padding, an odd height).
TEST(ObjImage, ACopyInARunTakesItsThreadsAndEveryByte)
{
    for (int threads : {1, 3, 8})
    {
        const FCObjImage src = testimg::Varied(1501, 2003, 24, 3);
        FCObjImage copy;
        {
            const FCEffectRun run(threads);
            copy = src;
            EXPECT_LE(run.ThreadsUsed(), threads);
        }
        ASSERT_EQ(copy.Height(), src.Height());
        EXPECT_EQ(std::memcmp(copy.GetBits(), src.GetBits(), std::size_t(src.RowPitch()) * 2003), 0)
            << threads << " threads";
    }
}

// A new image is zero in every byte, padding included, when its memory is that of a large picture
// just freed, written all over: cleared by the run's threads, or by the calling one outside a run.
TEST(ObjImage, ANewImageIsZeroOnMemoryAPictureLeft)
{
    for (int threads : {0, 1, 3, 8})
    {
        const int w = 1501, h = 2003; // a pitch with padding, an odd height, no whole number of megabytes
        {
            FCObjImage used;
            ASSERT_TRUE(used.Create(w, h, 24));
            std::memset(used.GetBits(), 0xC3, std::size_t(used.RowPitch()) * h);
        }
        FCObjImage fresh;
        if (threads == 0)
            ASSERT_TRUE(fresh.Create(w, h, 24));
        else
        {
            const FCEffectRun run(threads);
            ASSERT_TRUE(fresh.Create(w, h, 24));
            EXPECT_LE(run.ThreadsUsed(), threads);
        }
        const std::size_t bytes = std::size_t(fresh.RowPitch()) * h;
        const BYTE* bits = fresh.GetBits();
        EXPECT_EQ(std::count(bits, bits + bytes, BYTE(0)), std::ptrdiff_t(bytes)) << threads << " threads";
    }
}

TEST(ObjImage, SwapExchangesEverythingButTheGraphField)
{
    FCObjImage a = testimg::Varied(3, 2, 24);
    FCObjImage b = testimg::Varied(7, 5, 8);
    a.m_graphData = 1;
    b.m_graphData = 2;
    BYTE* aBits = a.GetBits();
    HBITMAP bBitmap = b.GetBitmap();
    a.Swap(b);
    EXPECT_EQ(a.Width(), 7);
    EXPECT_EQ(a.ColorBits(), 8);
    EXPECT_EQ(a.GetBitmap(), bBitmap);
    EXPECT_NE(a.PaletteEntries(), nullptr);
    EXPECT_EQ(b.GetBits(), aBits);
    EXPECT_EQ(b.PaletteEntries(), nullptr);
    EXPECT_EQ(a.m_graphData, 1);
    EXPECT_EQ(b.m_graphData, 2);
}

TEST(ObjImage, ConvertBitDepth)
{
    // 24 -> 32 gives alpha 255; 32 -> 24 drops alpha; 8 -> 24/32 through a non-grey palette.
    FCObjImage rgb = testimg::Varied(5, 3, 24);
    FCObjImage to32(rgb);
    to32.ConvertBitDepth(32);
    ASSERT_EQ(to32.ColorBits(), 32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
        {
            EXPECT_EQ(std::memcmp(to32.PixelAddress(x, y), rgb.PixelAddress(x, y), 3), 0);
            EXPECT_EQ(to32.PixelAddress(x, y)[3], 255);
        }

    FCObjImage argb = testimg::Varied(5, 3, 32);
    FCObjImage same(argb);
    same.ConvertBitDepth(32);
    EXPECT_TRUE(testimg::SamePixels(same, argb)); // no conversion, alpha kept
    FCObjImage to24(argb);
    to24.ConvertBitDepth(24);
    ASSERT_EQ(to24.ColorBits(), 24);
    EXPECT_EQ(std::memcmp(to24.PixelAddress(4, 2), argb.PixelAddress(4, 2), 3), 0);

    FCObjImage indexed;
    ASSERT_TRUE(indexed.Create(3, 1, 8));
    RGBQUAD pal[256];
    for (int i = 0; i < 256; ++i)
        pal[i] = RGBQUAD{BYTE(255 - i), BYTE(i / 2), BYTE(i), 0};
    indexed.SetPalette(pal);
    indexed.PixelAddress(0, 0)[0] = 0;
    indexed.PixelAddress(1, 0)[0] = 100;
    indexed.PixelAddress(2, 0)[0] = 255;
    for (int target : {24, 32})
    {
        FCObjImage c(indexed);
        c.ConvertBitDepth(target);
        ASSERT_EQ(c.ColorBits(), target);
        const BYTE* p = c.PixelAddress(1, 0);
        EXPECT_EQ(p[0], 155);
        EXPECT_EQ(p[1], 50);
        EXPECT_EQ(p[2], 100);
        if (target == 32)
        {
            EXPECT_EQ(p[3], 255);
        }
        EXPECT_EQ(c.PaletteEntries(), nullptr);
    }

    FCObjImage empty;
    empty.ConvertBitDepth(24);
    EXPECT_FALSE(empty.HasBits());
    FCObjImage keep(rgb);
    keep.ConvertBitDepth(8); // outside the contract: the picture is kept
    EXPECT_TRUE(testimg::SamePixels(keep, rgb));
}

TEST(ObjImage, CopyRegionTo)
{
    const FCObjImage src = testimg::Varied(6, 5, 24);
    FCObjImage whole;
    ASSERT_TRUE(src.CopyRegionTo(whole, RECT{0, 0, 6, 5}));
    EXPECT_TRUE(testimg::SamePixels(whole, src));

    FCObjImage part;
    ASSERT_TRUE(src.CopyRegionTo(part, RECT{1, 2, 4, 5}));
    EXPECT_EQ(part.Width(), 3);
    EXPECT_EQ(part.Height(), 3);
    EXPECT_EQ(std::memcmp(part.PixelAddress(0, 0), src.PixelAddress(1, 2), 9), 0);
    EXPECT_EQ(std::memcmp(part.PixelAddress(0, 2), src.PixelAddress(1, 4), 9), 0);

    const RECT bad[] = {{0, 0, 7, 5}, {-1, 0, 3, 3}, {0, -1, 3, 3}, {0, 0, 6, 6}, {2, 2, 2, 4}, {3, 1, 2, 4}};
    for (const RECT& r : bad)
    {
        FCObjImage out;
        EXPECT_FALSE(src.CopyRegionTo(out, r)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
    FCObjImage self(src);
    EXPECT_FALSE(self.CopyRegionTo(self, RECT{0, 0, 2, 2}));
    EXPECT_TRUE(testimg::SamePixels(self, src));

    FCObjImage indexed = testimg::Varied(4, 4, 8);
    RGBQUAD pal[256];
    indexed.GetPalette(pal);
    pal[5].rgbRed = 99;
    indexed.SetPalette(pal);
    FCObjImage sub;
    ASSERT_TRUE(indexed.CopyRegionTo(sub, RECT{1, 1, 3, 3}));
    RGBQUAD got[256];
    sub.GetPalette(got);
    EXPECT_EQ(got[5].rgbRed, 99);
}

TEST(ObjImage, PasteImageAtClipsAndChecksDepth)
{
    FCObjImage dest = testimg::Flat(4, 4, 24, 0, 0, 0);
    const FCObjImage src = testimg::Varied(4, 4, 24);
    ASSERT_TRUE(dest.PasteImageAt(src, -2, -2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(std::memcmp(dest.PixelAddress(x, y), src.PixelAddress(x + 2, y + 2), 3), 0);
    EXPECT_EQ(dest.PixelAddress(2, 0)[0], 0);
    EXPECT_EQ(dest.PixelAddress(0, 2)[1], 0);

    EXPECT_FALSE(dest.PasteImageAt(src, 4, 0));
    EXPECT_FALSE(dest.PasteImageAt(src, -4, 0));
    EXPECT_FALSE(dest.PasteImageAt(src, INT_MAX, INT_MAX));
    EXPECT_FALSE(dest.PasteImageAt(src, INT_MIN, 0));
    const FCObjImage deep = testimg::Varied(2, 2, 32);
    EXPECT_FALSE(dest.PasteImageAt(deep, 0, 0));

    FCObjImage grey = testimg::Varied(3, 3, 8);
    FCObjImage other = testimg::Varied(2, 2, 8);
    RGBQUAD pal[256];
    other.GetPalette(pal);
    pal[0].rgbRed = 42;
    other.SetPalette(pal);
    ASSERT_TRUE(grey.PasteImageAt(other, 1, 1));
    RGBQUAD got[256];
    grey.GetPalette(got);
    EXPECT_EQ(got[0].rgbRed, 0); // the palette is not copied
    EXPECT_EQ(grey.PixelAddress(2, 2)[0], other.PixelAddress(1, 1)[0]);
}

TEST(ObjImage, RowSizesAreComputedIn64Bits)
{
    // 70 million pixels at 32 bits: bpp x width passes 2^31 while the row, 280 MB, still fits.
    // The pixel memory is mapped but only its last pixel is touched.
    FCObjImage wide;
    ASSERT_TRUE(wide.Create(70000000, 1, 32));
    EXPECT_EQ(wide.RowPitch(), 280000000);
    EXPECT_EQ(wide.PixelAddress(69999999, 0), wide.GetBits() + 279999996);
    wide.PixelAddress(69999999, 0)[3] = 7;
}

TEST(ObjImage, AConversionThatCannotBeHadKeepsThePicture)
{
    // 20000 x 30000 holds 1.8 GB at 24 bits; at 32 bits it would pass what a bitmap may hold.
    FCObjImage image;
    ASSERT_TRUE(image.Create(20000, 30000, 24));
    image.PixelAddress(123, 456)[1] = 99;
    image.ConvertBitDepth(32);
    EXPECT_EQ(image.ColorBits(), 24);
    EXPECT_EQ(image.Width(), 20000);
    EXPECT_EQ(image.Height(), 30000);
    EXPECT_EQ(image.PixelAddress(123, 456)[1], 99);
}
