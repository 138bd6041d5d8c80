#include "imagelib/FCDibBlock.h"
#include "imagelib/FCObjImage.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
BITMAPINFOHEADER HeaderOf(const std::vector<BYTE>& block)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, block.data(), sizeof h);
    return h;
}

std::vector<BYTE> Block32(int width, int height, DWORD clrUsed, std::size_t pixelBytes)
{
    std::vector<BYTE> block(40 + 4 * clrUsed + pixelBytes, 0);
    BITMAPINFOHEADER h;
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biClrUsed = clrUsed;
    std::memcpy(block.data(), &h, sizeof h);
    return block;
}
} // namespace

TEST(DibBlock, HeaderAndPixelsAsTheImageHoldsThem)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage image = testimg::Varied(3, 2, bpp);
        const std::vector<BYTE> block = BuildDibBlock(image);
        ASSERT_EQ(block.size(), 40u + std::size_t(image.RowPitch()) * 2);
        const BITMAPINFOHEADER h = HeaderOf(block);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, 3);
        EXPECT_EQ(h.biHeight, 2);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, bpp);
        for (int i = 16; i < 40; ++i)
            EXPECT_EQ(block[i], 0) << "header byte " << i;
        EXPECT_EQ(std::memcmp(block.data() + 40, image.GetBits(), block.size() - 40), 0);
        // Bottom row first.
        EXPECT_EQ(std::memcmp(block.data() + 40, image.RowAddress(1), std::size_t(3 * bpp / 8)), 0);
    }
}

TEST(DibBlock, EightBitImageGoesOutAsTwentyFourBits)
{
    FCObjImage image;
    ASSERT_TRUE(image.Create(2, 1, 8));
    RGBQUAD pal[256];
    image.GetPalette(pal);
    pal[7] = RGBQUAD{10, 20, 30, 0};
    image.SetPalette(pal);
    image.PixelAddress(0, 0)[0] = 7;
    image.PixelAddress(1, 0)[0] = 200;

    const std::vector<BYTE> block = BuildDibBlock(image);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(HeaderOf(block).biBitCount, 24);
    const BYTE expected[6] = {10, 20, 30, 200, 200, 200};
    EXPECT_EQ(std::memcmp(block.data() + 40, expected, 6), 0);
    EXPECT_EQ(image.ColorBits(), 8);
    EXPECT_TRUE(BuildDibBlock(FCObjImage()).empty());
}

TEST(DibBlock, ThirtyTwoBitBlockReadsBackWithEveryAlphaByte)
{
    const FCObjImage image = testimg::Varied(5, 3, 32);
    const std::vector<BYTE> block = BuildDibBlock(image);
    FCObjImage back;
    ASSERT_EQ(ReadDib32Block(block.data(), block.size(), back), DibBlockRead::Taken);
    EXPECT_TRUE(testimg::SamePixels(back, image));
}

TEST(DibBlock, ReadTable)
{
    const std::size_t pitch = 4 * 2;
    struct Case
    {
        const char* name;
        std::vector<BYTE> block;
        DibBlockRead expected;
    };
    std::vector<Case> cases;
    cases.push_back({"24 bits", BuildDibBlock(testimg::Varied(2, 2, 24)), DibBlockRead::Generic});
    cases.push_back({"top-down", Block32(2, -2, 0, 2 * pitch), DibBlockRead::Refused});
    cases.push_back({"zero width", Block32(0, 2, 0, 0), DibBlockRead::Refused});
    cases.push_back({"one byte short", Block32(2, 2, 0, 2 * pitch - 1), DibBlockRead::Generic});
    cases.push_back({"header only", Block32(2, 2, 0, 0), DibBlockRead::Generic});
    cases.push_back({"colour table not counted", Block32(2, 2, 0, 2 * pitch), DibBlockRead::Taken});
    {
        std::vector<BYTE> b = Block32(2, 2, 0, 2 * pitch);
        b[0] = 200; // biSize beyond the block
        cases.push_back({"header size beyond the block", b, DibBlockRead::Generic});
    }
    {
        std::vector<BYTE> b = Block32(2, 2, 0x40000000u, 0);
        cases.push_back({"colour count far beyond the block", b, DibBlockRead::Generic});
    }
    cases.push_back({"empty", {}, DibBlockRead::Generic});
    cases.push_back({"shorter than a header", std::vector<BYTE>(39, 0), DibBlockRead::Generic});

    for (const Case& c : cases)
    {
        FCObjImage out = testimg::Varied(1, 1, 24);
        EXPECT_EQ(ReadDib32Block(c.block.data(), c.block.size(), out), c.expected) << c.name;
        EXPECT_EQ(out.HasBits(), c.expected == DibBlockRead::Taken) << c.name;
    }
}

TEST(DibBlock, ColourTableIsSkipped)
{
    std::vector<BYTE> block = Block32(1, 1, 2, 4);
    const BYTE pixel[4] = {1, 2, 3, 4};
    std::memcpy(block.data() + 48, pixel, 4);
    FCObjImage out;
    ASSERT_EQ(ReadDib32Block(block.data(), block.size(), out), DibBlockRead::Taken);
    EXPECT_EQ(std::memcmp(out.PixelAddress(0, 0), pixel, 4), 0);
}

namespace
{
HBITMAP Section(int width, int height, int bitCount, const RGBQUAD* colors, int colorCount, BYTE** bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(bitCount);
    for (int i = 0; i < colorCount; ++i)
        info.bmiColors[i] = colors[i];
    return CreateDIBSection(&info, bits);
}
} // namespace

TEST(FromBitmapHandle, ThirtyTwoBitSectionIsCopiedWithItsAlpha)
{
    BYTE* bits = nullptr;
    HBITMAP section = Section(2, 2, 32, nullptr, 0, &bits);
    ASSERT_NE(section, nullptr);
    for (int i = 0; i < 16; ++i)
        bits[i] = BYTE(i * 15 + 1);
    FCObjImage image;
    ASSERT_TRUE(image.FromBitmapHandle(section));
    EXPECT_EQ(image.ColorBits(), 32);
    EXPECT_EQ(std::memcmp(image.GetBits(), bits, 16), 0);
    DeleteObject(section);
}

TEST(FromBitmapHandle, OtherDepthsBecomeTwentyFourBits)
{
    const RGBQUAD colors[2] = {{1, 2, 3, 0}, {250, 251, 252, 0}};
    BYTE* bits = nullptr;
    HBITMAP mono = Section(3, 1, 1, colors, 2, &bits);
    ASSERT_NE(mono, nullptr);
    bits[0] = 0xA0; // pixels 1, 0, 1
    FCObjImage image;
    ASSERT_TRUE(image.FromBitmapHandle(mono));
    ASSERT_EQ(image.ColorBits(), 24);
    const BYTE expectedMono[9] = {250, 251, 252, 1, 2, 3, 250, 251, 252};
    EXPECT_EQ(std::memcmp(image.PixelAddress(0, 0), expectedMono, 9), 0);
    DeleteObject(mono);

    HBITMAP high = Section(1, 2, 16, nullptr, 0, &bits);
    ASSERT_NE(high, nullptr);
    bits[0] = 0x1F; // bottom row: blue 31
    bits[1] = 0x00;
    bits[4] = 0x00; // top row: red 16 (0x4000)
    bits[5] = 0x40;
    ASSERT_TRUE(image.FromBitmapHandle(high));
    const BYTE top[3] = {0, 0, 132}, bottom[3] = {255, 0, 0};
    EXPECT_EQ(std::memcmp(image.PixelAddress(0, 0), top, 3), 0);
    EXPECT_EQ(std::memcmp(image.PixelAddress(0, 1), bottom, 3), 0);
    DeleteObject(high);

    EXPECT_FALSE(image.FromBitmapHandle(nullptr));
    EXPECT_FALSE(image.HasBits());
}
