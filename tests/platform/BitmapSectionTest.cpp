#include "platform/BitmapSection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace
{
BITMAPINFO Header(LONG w, LONG h, WORD bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    return info;
}
} // namespace

TEST(BitmapSection, IsZeroFilledAlignedAndDescribed)
{
    // Small and large pictures (which take another road to their memory) alike.
    const struct
    {
        LONG w, h;
        LONG pitch;
    } cases[] = {{5, 3, 16}, {3001, 2000, 9004}, {2900, 2000, 8700}};
    // The slightly smaller picture and the second round take the large memory that the one
    // before left, written all over.
    for (int round = 0; round < 2; ++round)
        for (const auto& c : cases)
        {
            BITMAPINFO info = Header(c.w, c.h, 24);
            BYTE* bits = nullptr;
            HBITMAP bmp = CreateDIBSection(&info, &bits);
            ASSERT_NE(bmp, nullptr);
            ASSERT_NE(bits, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bits) % 64, 0u) << c.w;
            const std::size_t total = std::size_t(c.pitch) * std::size_t(c.h);
            for (std::size_t i = 0; i < total; i += (total < 4096 ? 1 : 4093))
                ASSERT_EQ(bits[i], 0) << c.w << " at " << i;
            EXPECT_EQ(bits[total - 1], 0);
            std::memset(bits, 0xAB, total); // the whole block is writable
            DIBSECTION ds;
            ASSERT_TRUE(GetDIBSection(bmp, &ds));
            EXPECT_EQ(ds.bmWidthBytes, c.pitch);
            EXPECT_EQ(ds.bmBits, bits);
            EXPECT_EQ(ds.dsBmih.biHeight, c.h);
            EXPECT_EQ(ds.dsBmih.biSizeImage, DWORD(total));
            DeleteObject(bmp);
        }
}

// The uncleared form tells the truth about the memory it hands out: fresh memory is zero, and
// the memory of a large picture just freed comes back as that picture left it, not cleared.
TEST(BitmapSection, UnclearedSectionsSayWhetherTheirMemoryIsZero)
{
    BITMAPINFO info = Header(2501, 1999, 24);
    const std::size_t total = std::size_t(7504) * 1999;
    BYTE* bits = nullptr;
    bool zeroed = false;
    HBITMAP first = CreateDIBSectionUncleared(&info, &bits, &zeroed);
    ASSERT_NE(first, nullptr);
    if (zeroed)
    {
        for (std::size_t i = 0; i < total; i += 4093)
            ASSERT_EQ(bits[i], 0) << i;
    }
    std::memset(bits, 0x5A, total);
    DeleteObject(first);

    HBITMAP again = CreateDIBSectionUncleared(&info, &bits, &zeroed);
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(zeroed);
    EXPECT_EQ(bits[0], 0x5A);
    EXPECT_EQ(bits[total - 1], 0x5A);
    DeleteObject(again);

    // Small pictures always come zero-filled.
    BITMAPINFO small = Header(7, 5, 32);
    HBITMAP tiny = CreateDIBSectionUncleared(&small, &bits, &zeroed);
    ASSERT_NE(tiny, nullptr);
    EXPECT_TRUE(zeroed);
    for (int i = 0; i < 7 * 5 * 4; ++i)
        ASSERT_EQ(bits[i], 0) << i;
    DeleteObject(tiny);
}

TEST(BitmapSection, RefusesHeadersAndSizesThatDoNotFit)
{
    struct Case
    {
        LONG w, h;
        WORD bits;
        WORD planes;
    } cases[] = {
        {0, 5, 24, 1},          {5, 0, 24, 1}, {5, -5, 24, 1},          // top-down is refused
        {5, 5, 12, 1},          {5, 5, 24, 2}, {100000, 100000, 32, 1}, // 40 GB
        {0x7FFFFFFF, 1, 32, 1},                                         // a row that does not fit in 32 bits
        {46341, 46341, 8, 1},                                           // just over 2 GiB in all
    };
    for (const Case& c : cases)
    {
        BITMAPINFO info = Header(c.w, c.h, c.bits);
        info.bmiHeader.biPlanes = c.planes;
        BYTE* bits = reinterpret_cast<BYTE*>(1);
        EXPECT_EQ(CreateDIBSection(&info, &bits), nullptr) << c.w << "x" << c.h << "x" << c.bits;
        EXPECT_EQ(bits, nullptr);
    }
    EXPECT_EQ(DibRowPitch(3, 24), 12);
    EXPECT_EQ(DibRowPitch(0x7FFFFFFF, 32), -1);
}

TEST(BitmapSection, ColourTableIsKeptAndClipped)
{
    BITMAPINFO info = Header(2, 2, 8);
    info.bmiColors[7] = RGBQUAD{1, 2, 3, 4};
    BYTE* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(&info, &bits);
    ASSERT_NE(bmp, nullptr);
    RGBQUAD c[2];
    ASSERT_EQ(GetDIBColorTable(bmp, 7, 1, c), 1u);
    EXPECT_EQ(c[0].rgbRed, 3);
    const RGBQUAD two[2] = {{9, 9, 9, 0}, {8, 8, 8, 0}};
    EXPECT_EQ(SetDIBColorTable(bmp, 255, 2, two), 1u);
    EXPECT_EQ(SetDIBColorTable(bmp, 256, 1, two), 0u);
    DeleteObject(bmp);

    BITMAPINFO rgb = Header(2, 2, 24);
    HBITMAP bmp24 = CreateDIBSection(&rgb, &bits);
    EXPECT_EQ(SetDIBColorTable(bmp24, 0, 1, two), 0u);
    DeleteObject(bmp24);
    DeleteObject(nullptr);
}
