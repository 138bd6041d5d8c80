// One level of undo, and the document's own edits: clearing, opaque alpha, conversions.
#include "FakeHost.h"
#include "TestImages.h"

#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <unistd.h>

using namespace testdoc;

namespace
{
// A 24-bit document opened from a file: not modified, no undo.
struct OpenedDoc
{
    OpenedDoc()
    {
        file = std::filesystem::temp_directory_path() /
               ("orvalis-doc-undo-" + std::to_string(::getpid()) + ".png");
        testimg::Varied(6, 5, 24).Save(Utf8ToWide(file.string()).c_str(), FCImageProperty());
        doc.InitFromFile(Utf8ToWide(file.string()).c_str());
    }
    ~OpenedDoc() { std::filesystem::remove(file); }
    std::filesystem::path file;
    FakeHost host;
    CountingView view;
    CImageDoc doc{&view, host};
};

// True when the pixels differ from image only inside [l, r) x [t, b), where they equal `inside`.
bool OnlyRectIs(const FCObjImage& result, const FCObjImage& image, int l, int t, int r, int b,
                std::vector<BYTE> inside)
{
    const int step = image.ColorBits() / 8;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
        {
            const bool in = x >= l && x < r && y >= t && y < b;
            const BYTE* got = result.PixelAddress(x, y);
            const BYTE* was = image.PixelAddress(x, y);
            for (int k = 0; k < step; ++k)
                if (got[k] != (in ? inside[std::size_t(k)] : was[k])) return false;
        }
    return true;
}
} // namespace

TEST(Undo, StateAfterEachOperation)
{
    OpenedDoc o;
    CImageDoc& doc = o.doc;
    std::vector<FCObjImage> images{FCObjImage(doc.GetImage())}; // 0: as opened
    struct Step
    {
        const char* name;
        std::function<void()> run;
        int image, undo; // indexes into images, -1: empty
        bool canUndo, canRedo, modified;
    };
    auto clear = [&](int at)
    {
        return [&, at]
        {
            doc.ClearRect(at, at, at + 2, at + 2);
            images.push_back(doc.GetImage());
        };
    };
    const Step steps[] = {
        {"undo with nothing to undo", [&] { doc.OnEditUndo(); }, 0, -1, false, false, false},
        {"redo with nothing to redo", [&] { doc.OnEditRedo(); }, 0, -1, false, false, false},
        {"edit A", clear(0), 1, 0, true, false, true},
        {"undo", [&] { doc.OnEditUndo(); }, 0, 1, false, true, true},
        {"undo again: nothing", [&] { doc.OnEditUndo(); }, 0, 1, false, true, true},
        {"redo", [&] { doc.OnEditRedo(); }, 1, 0, true, false, true},
        {"redo again: nothing", [&] { doc.OnEditRedo(); }, 1, 0, true, false, true},
        {"edit B", clear(2), 2, 1, true, false, true},
        {"undo: A again", [&] { doc.OnEditUndo(); }, 1, 2, false, true, true},
        {"redo: B again", [&] { doc.OnEditRedo(); }, 2, 1, true, false, true},
        {"conversion to the same depth", [&] { doc.OnConvert24(); }, 2, 2, true, false, true},
    };
    for (const Step& s : steps)
    {
        SCOPED_TRACE(s.name);
        s.run();
        EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), images[std::size_t(s.image)]));
        if (s.undo < 0)
            EXPECT_FALSE(doc.GetUndoImage().HasBits());
        else
            EXPECT_TRUE(testimg::SamePixels(doc.GetUndoImage(), images[std::size_t(s.undo)]));
        EXPECT_EQ(doc.CanUndo(), s.canUndo);
        EXPECT_EQ(doc.CanRedo(), s.canRedo);
        EXPECT_EQ(doc.IsModified(), s.modified);
        EXPECT_FALSE(doc.ArePlanesValid());
    }
}

TEST(Undo, UndoAndRedoNotifyTheViewsOnlyWhenTheyAct)
{
    OpenedDoc o;
    o.doc.OnEditUndo();
    o.doc.OnEditRedo();
    EXPECT_EQ(o.view.updates, 0);
    o.doc.ClearRect(0, 0, 1, 1);
    o.doc.OnEditUndo();
    o.doc.OnEditRedo();
    EXPECT_EQ(o.view.updates, 3);
}

TEST(WholeImageEdits, ClearRect)
{
    struct Case
    {
        int width, height, bpp;
        int l, t, r, b;     // given
        int cl, ct, cr, cb; // cleared, after clipping
        std::vector<BYTE> fill;
    };
    const Case cases[] = {
        {40, 40, 24, 10, 20, 20, 30, 10, 20, 20, 30, {0, 0, 0}},
        {40, 40, 32, 10, 20, 20, 30, 10, 20, 20, 30, {0, 0, 0, 255}},
        {100, 50, 24, 0, 0, 100, 50, 0, 0, 100, 50, {0, 0, 0}},
        {9, 7, 8, 2, 3, 5, 4, 2, 3, 5, 4, {0}},
        {9, 7, 24, -5, -5, 3, 3, 0, 0, 3, 3, {0, 0, 0}},
        {9, 7, 32, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, 9, 7, {0, 0, 0, 255}},
        {9, 7, 24, -1, -1, -1, -1, 0, 0, 0, 0, {}}, // nothing selected: no pixel changes
        {9, 7, 24, 5, 5, 3, 3, 0, 0, 0, 0, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.bpp) + " bits, (" + std::to_string(c.l) + ", " + std::to_string(c.t) +
                     ", " + std::to_string(c.r) + ", " + std::to_string(c.b) + ")");
        FakeHost host;
        CountingView view;
        CImageDoc doc(&view, host);
        FCObjImage image = testimg::Varied(c.width, c.height, c.bpp);
        const FCObjImage before(image);
        ASSERT_TRUE(doc.InitFromImage(image));
        doc.ClearRect(c.l, c.t, c.r, c.b);
        EXPECT_TRUE(OnlyRectIs(doc.GetImage(), before, c.cl, c.ct, c.cr, c.cb, c.fill));
        EXPECT_TRUE(testimg::SamePixels(doc.GetUndoImage(), before));
        EXPECT_TRUE(doc.CanUndo());
        EXPECT_FALSE(doc.CanRedo());
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(view.updates, 1);
        EXPECT_EQ(host.waitCursors, 1);
        EXPECT_EQ(host.waitDepth, 0);
    }
}

TEST(WholeImageEdits, OpaqueAlpha)
{
    {
        OpenedDoc o; // 24 bits: nothing, no undo
        const FCObjImage before(o.doc.GetImage());
        o.doc.OnAlphaOpaque();
        EXPECT_TRUE(testimg::SamePixels(o.doc.GetImage(), before));
        EXPECT_FALSE(o.doc.CanUndo());
        EXPECT_FALSE(o.doc.IsModified());
    }
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    FCObjImage image = testimg::Varied(7, 4, 32);
    const FCObjImage before(image);
    ASSERT_TRUE(doc.InitFromImage(image));
    doc.OnAlphaOpaque();
    EXPECT_EQ(testimg::Alphas(doc.GetImage()), std::vector<BYTE>(28, 255));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(std::memcmp(doc.GetImage().PixelAddress(x, y), before.PixelAddress(x, y), 3), 0);
    EXPECT_EQ(view.updates, 1);
    doc.OnEditUndo();
    EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), before));

    // Without notification, for the callers that notify themselves.
    view.updates = 0;
    doc.SetAlphaChannel(7);
    EXPECT_EQ(testimg::Alphas(doc.GetImage()), std::vector<BYTE>(28, 7));
    EXPECT_EQ(view.updates, 0);
    EXPECT_TRUE(doc.CanUndo());
}

TEST(WholeImageEdits, Conversions)
{
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    FCObjImage image = testimg::Varied(5, 4, 32);
    const FCObjImage before(image);
    ASSERT_TRUE(doc.InitFromImage(image));
    doc.OnConvert24();
    EXPECT_EQ(doc.GetImage().ColorBits(), 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(std::memcmp(doc.GetImage().PixelAddress(x, y), before.PixelAddress(x, y), 3), 0);
    EXPECT_EQ(view.updates, 1);
    doc.OnEditUndo();
    EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), before)); // 32 bits with the alpha back

    doc.OnEditRedo();
    doc.OnConvert32();
    EXPECT_EQ(doc.GetImage().ColorBits(), 32);
    EXPECT_EQ(testimg::Alphas(doc.GetImage()), std::vector<BYTE>(20, 255));
    EXPECT_EQ(doc.GetUndoImage().ColorBits(), 24);

    // The silent forms leave the notification to their callers.
    view.updates = 0;
    doc.ConvertTo24();
    doc.ConvertTo32();
    EXPECT_EQ(view.updates, 0);
    EXPECT_TRUE(doc.CanUndo());

    // 8 bits go through the palette.
    CountingView view8;
    CImageDoc grey(&view8, host);
    ASSERT_TRUE(grey.CreateBlank(3, 2, 8));
    grey.ClearRect(-1, -1, -1, -1);
    grey.GetImage().RowAddress(1)[2] = 200;
    grey.ConvertTo32();
    const BYTE* p = grey.GetImage().PixelAddress(2, 1);
    EXPECT_EQ(std::vector<BYTE>(p, p + 4), (std::vector<BYTE>{200, 200, 200, 255}));
    EXPECT_EQ(grey.GetUndoImage().ColorBits(), 8);
}

TEST(GammaConvert, MapsTheSliderToReciprocalGammas)
{
    struct Case
    {
        int position;
        double gamma;
    };
    for (const Case& c : {Case{-100, 1.0 / 3.0}, Case{-50, 0.5}, Case{0, 1.0}, Case{50, 2.0}, Case{100, 3.0}})
        EXPECT_DOUBLE_EQ(CImageDoc::GammaConvertFunction(c.position), c.gamma) << c.position;
    EXPECT_EQ(CImageDoc::GammaConvertFunction(0), 1.0) << "exactly the identity";
    for (int p = 1; p <= 100; ++p)
        EXPECT_DOUBLE_EQ(CImageDoc::GammaConvertFunction(-p), 1.0 / CImageDoc::GammaConvertFunction(p)) << p;
}
