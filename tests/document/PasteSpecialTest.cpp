// Paste special: the ten blend rules, the overlap, depths, and the 8-bit document.
#include "FakeHost.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

using namespace testdoc;

namespace
{
// The rule of each mode for one colour byte, as the mode menu describes it.
int Rule(int mode, int d, int s)
{
    switch (mode)
    {
    case 1:
        return d & s;
    case 2:
        return d | s;
    case 3:
        return d ^ s;
    case 4:
        return std::min((d ^ s) + 128, 255);
    case 5:
        return std::min(d, s);
    case 6:
        return std::max(d, s);
    case 7:
        return (d + s) / 2;
    case 8:
        return std::clamp(d - s, 0, 255);
    case 9:
        return std::abs(d - s);
    case 10:
        return std::clamp(d - s + 128, 0, 255);
    default:
        return d;
    }
}

// A 1 x 1 document (B, G, R) = d blended with a pasted pixel s in one mode.
std::vector<int> BlendOne(int mode, std::vector<int> d, std::vector<int> s)
{
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    FCObjImage image = testimg::Flat(1, 1, 24, BYTE(d[0]), BYTE(d[1]), BYTE(d[2]));
    doc.InitFromImage(image);
    FCObjImage pasted = testimg::Flat(1, 1, 24, BYTE(s[0]), BYTE(s[1]), BYTE(s[2]));
    doc.PasteSpecial(pasted, 0, 0, mode);
    const BYTE* p = doc.GetImage().PixelAddress(0, 0);
    return {p[0], p[1], p[2]};
}
} // namespace

TEST(PasteSpecial, BlendRules)
{
    struct Case
    {
        int mode;
        std::vector<int> d, s, expected;
    };
    const Case cases[] = {
        {7, {255, 255, 1}, {0, 1, 0}, {127, 128, 0}},
        {4, {77, 0, 200}, {77, 0, 50}, {128, 128, 255}}, // equal bytes give 128; above 255 is 255
        {8, {10, 20, 255}, {20, 10, 0}, {0, 10, 255}},
        {9, {10, 20, 0}, {20, 10, 255}, {10, 10, 255}},
        {10, {10, 20, 255}, {20, 10, 0}, {118, 138, 255}},
        {10, {0, 255, 100}, {255, 0, 100}, {0, 255, 128}},
        {1, {0xF0, 0, 0xFF}, {0x3C, 0xFF, 0x81}, {0x30, 0, 0x81}},
        {2, {0xF0, 0, 0x10}, {0x3C, 0x00, 0x01}, {0xFC, 0, 0x11}},
        {3, {0xF0, 0xFF, 0}, {0x3C, 0xFF, 0}, {0xCC, 0, 0}},
        {5, {0xF0, 3, 9}, {0x3C, 4, 9}, {0x3C, 3, 9}},
        {6, {0xF0, 3, 9}, {0x3C, 4, 9}, {0xF0, 4, 9}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BlendOne(c.mode, c.d, c.s), c.expected) << "mode " << c.mode;
}

TEST(PasteSpecial, OnlyTheOverlapChangesInEveryMode)
{
    for (int bpp : {24, 32})
        for (int mode = 0; mode <= 11; ++mode)
        {
            SCOPED_TRACE("mode " + std::to_string(mode) + ", " + std::to_string(bpp) + " bits");
            FakeHost host;
            CountingView view;
            CImageDoc doc(&view, host);
            FCObjImage image = testimg::Varied(200, 200, bpp, 1);
            const FCObjImage before(image);
            ASSERT_TRUE(doc.InitFromImage(image));
            FCObjImage pasted = testimg::Varied(100, 100, bpp, 2);
            const FCObjImage source(pasted);
            doc.PasteSpecial(pasted, -50, -50, mode);
            const int step = bpp / 8;
            int wrong = 0;
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 200; ++x)
                {
                    const BYTE* got = doc.GetImage().PixelAddress(x, y);
                    const BYTE* d = before.PixelAddress(x, y);
                    const bool inside = x < 50 && y < 50;
                    const BYTE* s = inside ? source.PixelAddress(x + 50, y + 50) : nullptr;
                    for (int k = 0; k < step; ++k)
                    {
                        int expected = d[k];
                        if (inside && mode == 0)
                            expected = s[k]; // every byte, alpha included
                        else if (inside && k < 3)
                            expected = Rule(mode, d[k], s[k]);
                        wrong += got[k] != expected;
                    }
                }
            EXPECT_EQ(wrong, 0);
            EXPECT_TRUE(testimg::SamePixels(doc.GetUndoImage(), before));
            EXPECT_TRUE(doc.CanUndo());
            EXPECT_TRUE(doc.IsModified());
            EXPECT_EQ(view.updates, 1);
            EXPECT_EQ(host.waitDepth, 0);
        }
}

TEST(PasteSpecial, PastesOutsideTheImageChangeNoPixelButAreEdits)
{
    const std::pair<int, int> places[] = {
        {200, 0}, {0, -100}, {-100, -100}, {INT_MAX, INT_MAX}, {INT_MIN, 5}};
    for (const auto& [x, y] : places)
        for (int mode : {0, 4, 11})
        {
            FakeHost host;
            CountingView view;
            CImageDoc doc(&view, host);
            FCObjImage image = testimg::Varied(200, 100, 24);
            const FCObjImage before(image);
            ASSERT_TRUE(doc.InitFromImage(image));
            doc.OnConvert24(); // an edit so that can-redo could be seen going off
            doc.OnEditUndo();
            FCObjImage pasted = testimg::Varied(100, 100, 24, 9);
            doc.PasteSpecial(pasted, x, y, mode);
            EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), before)) << x << ", " << y << " mode " << mode;
            EXPECT_TRUE(doc.CanUndo());
            EXPECT_FALSE(doc.CanRedo());
            EXPECT_TRUE(doc.IsModified());
        }
}

TEST(PasteSpecial, DepthsOfThePastedImage)
{
    FakeHost host;
    {
        // 32 into 24: converted first, and the caller's image comes back converted.
        CountingView view;
        CImageDoc doc(&view, host);
        FCObjImage image = testimg::Flat(4, 4, 24, 1, 2, 3);
        ASSERT_TRUE(doc.InitFromImage(image));
        FCObjImage pasted = testimg::Flat(2, 2, 32, 10, 20, 30, 40);
        doc.PasteSpecial(pasted, 1, 1, 0);
        EXPECT_EQ(pasted.ColorBits(), 24);
        EXPECT_EQ(doc.GetImage().ColorBits(), 24);
        const BYTE* p = doc.GetImage().PixelAddress(2, 2);
        EXPECT_EQ(std::vector<BYTE>(p, p + 3), (std::vector<BYTE>{10, 20, 30}));
    }
    for (int mode : {0, 6})
    {
        // 32 into 32: the pasted alpha in mode 0, the document's in the blends.
        CountingView view;
        CImageDoc doc(&view, host);
        FCObjImage image = testimg::Flat(4, 4, 32, 1, 2, 3, 99);
        ASSERT_TRUE(doc.InitFromImage(image));
        FCObjImage pasted = testimg::Flat(2, 2, 32, 10, 20, 30, 40);
        doc.PasteSpecial(pasted, 0, 0, mode);
        EXPECT_EQ(doc.GetImage().PixelAddress(1, 1)[3], mode == 0 ? 40 : 99);
        EXPECT_EQ(doc.GetImage().PixelAddress(2, 2)[3], 99);
        EXPECT_EQ(doc.GetImage().PixelAddress(1, 1)[2], 30);
    }
}

TEST(PasteSpecial, An8BitDocumentRefusesColourImages)
{
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    ASSERT_TRUE(doc.CreateBlank(4, 4, 8));
    const FCObjImage before(doc.GetImage());
    FCObjImage pasted = testimg::Flat(2, 2, 24, 10, 20, 30);
    doc.PasteSpecial(pasted, 0, 0, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, L"Problème de format d'image : 24 et 32 bits uniquement");
    EXPECT_EQ(host.messages[0].caption, L"");
    EXPECT_TRUE(host.messages[0].hasCaption);
    EXPECT_EQ(host.messages[0].style, DocMsgStyle::Ok);
    EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), before));
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.GetUndoImage().HasBits());
    EXPECT_EQ(view.updates, 0);
    EXPECT_EQ(host.waitCursors, 0);
}

TEST(PasteSpecial, BlendsIntoAn8BitDocumentGoThrough24Bits)
{
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    ASSERT_TRUE(doc.CreateBlank(4, 3, 8)); // grey ramp: index i is (i, i, i)
    for (int y = 0; y < 3; ++y)
        std::memset(doc.GetImage().RowAddress(y), 100, 4);
    const FCObjImage before(doc.GetImage());
    FCObjImage pasted;
    ASSERT_TRUE(pasted.Create(2, 2, 8));
    for (int y = 0; y < 2; ++y)
        std::memset(pasted.RowAddress(y), 50, 2);

    doc.PasteSpecial(pasted, 3, 2, 7);
    ASSERT_EQ(doc.GetImage().ColorBits(), 24);
    EXPECT_TRUE(testimg::SamePixels(doc.GetUndoImage(), before)); // the undo image keeps 8 bits
    const BYTE* in = doc.GetImage().PixelAddress(3, 2);
    EXPECT_EQ(std::vector<BYTE>(in, in + 3), (std::vector<BYTE>{75, 75, 75}));
    const BYTE* out = doc.GetImage().PixelAddress(2, 2);
    EXPECT_EQ(std::vector<BYTE>(out, out + 3), (std::vector<BYTE>{100, 100, 100}));

    EXPECT_EQ(pasted.ColorBits(), 24); // converted along with the document

    // Mode 0 of an 8-bit image into an 8-bit document stays at 8 bits.
    CountingView view2;
    CImageDoc grey(&view2, host);
    ASSERT_TRUE(grey.CreateBlank(4, 3, 8));
    FCObjImage indices;
    ASSERT_TRUE(indices.Create(2, 2, 8));
    for (int y = 0; y < 2; ++y)
        std::memset(indices.RowAddress(y), 50, 2);
    grey.PasteSpecial(indices, 1, 1, 0);
    EXPECT_EQ(grey.GetImage().ColorBits(), 8);
    EXPECT_EQ(grey.GetImage().PixelAddress(2, 2)[0], 50);
    EXPECT_TRUE(host.messages.empty());
}
