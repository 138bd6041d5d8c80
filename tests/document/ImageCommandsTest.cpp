// The commands of the image menus: the table as data, and what the document does with each kind.
#include "FakeHost.h"
#include "TestImages.h"

#include "document/ImageCommands.h"
#include "imagelib/effects/ArtisticEffects.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ContourEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"
#include "imagelib/effects/FlipRotateEffects.h"
#include "imagelib/effects/HistogramEffects.h"
#include "imagelib/effects/MorphologyEffects.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unistd.h>

using namespace testdoc;

namespace
{
std::vector<int> Range(int first, int last)
{
    std::vector<int> ids;
    for (int id = first; id <= last; ++id)
        ids.push_back(id);
    return ids;
}

std::set<int> IdsOfKind(ImageCommandKind kind)
{
    std::set<int> ids;
    for (const ImageCommand& c : ImageCommandTable())
        if (c.kind == kind) ids.insert(c.id);
    return ids;
}

std::unique_ptr<FCImageEffect> Kernel(std::initializer_list<int> weights, int divisor, int offset)
{
    auto effect = std::make_unique<FCEffectConvolute>();
    const std::vector<int> w(weights);
    effect->SetKernel(w.data(), 3, divisor, offset);
    return effect;
}

template <class E> std::function<std::unique_ptr<FCImageEffect>()> Plain()
{
    return [] { return std::make_unique<E>(); };
}

// A document opened from a file holding the picture: not modified, nothing to undo.
struct Doc
{
    explicit Doc(const FCObjImage& picture)
    {
        static int counter = 0;
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() /
            ("orvalis-doc-commands-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".png");
        const std::wstring path = Utf8ToWide(file.string());
        EXPECT_TRUE(picture.Save(path.c_str(), FCImageProperty()));
        EXPECT_TRUE(doc.InitFromFile(path.c_str()));
        EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), picture));
        std::filesystem::remove(file);
    }
    FakeHost host;
    CountingView view;
    CImageDoc doc{&view, host};
};

class ImageCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSettings();
        SetNbThreads(4);
        SetProcessorCountForTesting(8);
    }
    void TearDown() override { ResetSettings(); }
};
} // namespace

TEST_F(ImageCommands, TableHoldsEveryCommandOnceWithItsKind)
{
    const auto table = ImageCommandTable();
    EXPECT_EQ(table.size(), 116u);
    std::set<int> ids;
    std::set<std::string> handlers;
    for (const ImageCommand& c : table)
    {
        EXPECT_TRUE(ids.insert(c.id).second) << "twice: " << c.id;
        EXPECT_TRUE(handlers.insert(c.handler).second) << "twice: " << c.handler;
        EXPECT_EQ(std::string(c.handler).rfind("CImageDoc::On", 0), 0u) << c.handler;
        EXPECT_EQ(c.makeEffect != nullptr, c.kind == ImageCommandKind::DirectEffect) << c.id;
        EXPECT_TRUE(c.menuText && *c.menuText) << c.id;
        EXPECT_EQ(FindImageCommand(c.id), &c);
    }
    for (int unknown :
         std::initializer_list<int>{0, -1, 32902, kCmdFileOpen, kCmdEditCopy, kCmdApplyTransform, 33101})
        EXPECT_EQ(FindImageCommand(unknown), nullptr) << unknown;

    using K = ImageCommandKind;
    std::vector<int> fourier = Range(33088, 33100);
    for (int id : Range(33106, 33118))
        fourier.push_back(id);
    const std::map<K, std::vector<int>> kinds = {
        {K::File, {32784, 57603, 57604, 57643, 57644}},
        {K::WholeImageEdit, {32905, 32906, 32908}},
        {K::DirectEffect, {32901, 32900, 32897, 32898, 32915, 32924, 32948, 32911, 32909, 32944, 32945,
                           32947, 32918, 32919, 32951, 32970, 32989, 32983, 32988, 32985, 33008, 32984,
                           33006, 32986, 32990, 32995, 32996, 32992, 32999, 32997, 33011}},
        {K::SliderDialog,
         {32949, 32955, 32957, 32960, 32964, 32966, 32967, 32969, 32973, 32976, 32974, 32991, 33005,
          32925, 32927, 32928, 32953, 32978, 32977, 33121, 32933, 32962, 32940, 32941, 32930, 33012}},
        {K::DedicatedDialog, {32942, 32943, 32971, 32968, 33047, 33046}},
        {K::DialogNoPreview, {32922, 32923, 32979, 32981, 32993}},
        {K::ToolView,
         {33062, 33068, 33064, 33069, 33066, 33070, 33072, 33073, 33077, 33074, 33078, 33081, 33082, 33119}},
        {K::FourierFilter, fourier},
    };
    for (const auto& [kind, expected] : kinds)
        EXPECT_EQ(IdsOfKind(kind), std::set<int>(expected.begin(), expected.end())) << int(kind);

    // The members the program's own texts name.
    const std::map<int, std::string> named = {
        {32901, "OnMirror"},
        {32969, "OnOldPhoto"},
        {57643, "OnEditUndo"},
        {57644, "OnEditRedo"},
        {57603, "OnFileSave"},
        {57604, "OnFileSaveAs"},
        {32784, "OnFileInfo"},
        {32905, "OnAlphaOpaque"},
        {32906, "OnConvert24"},
        {32908, "OnConvert32"},
        {33081, "OnFourierModuleView"},
        {33082, "OnFourierPhaseView"},
        {33119, "OnFourierToolView"},
        {33088, "OnFourierCarre"},
        {33097, "OnFourierCarrePasseHaut"},
        {33091, "OnFourierCarrePasseBande"},
        {33094, "OnFourierCarreCoupeBande"},
        {33089, "OnFourierRect"},
        {33096, "OnFourierRectangulairePasseHaut"},
        {33099, "OnFourierRectangulairePasseBande"},
        {33100, "OnFourierRectangulaireCoupeBande"},
        {33090, "OnFourierCirculaire"},
        {33098, "OnFourierCirculairePasseHaut"},
        {33092, "OnFourierCirculairePasseBande"},
        {33095, "OnFourierCirculaireCoupeBande"},
        {33093, "OnFourierGaussien"},
        {33106, "OnFourierYuvCarre"},
        {33115, "OnFourierYuvCarrePasseHaut"},
        {33109, "OnFourierYuvCarrePasseBande"},
        {33112, "OnFourierYuvCarreCoupeBande"},
        {33107, "OnFourierYuvRect"},
        {33114, "OnFourierYuvRectPasseHaut"},
        {33117, "OnFourierYuvRectangulairePasseBande"},
        {33118, "OnFourierYuvRectangulaireCoupeBande"},
        {33108, "OnFourierYuvCirculaire"},
        {33116, "OnFourierYuvCirculairePasseHaut"},
        {33110, "OnFourierYuvCirculairePasseBande"},
        {33113, "OnFourierYuvCirculaireCoupeBande"},
        {33111, "OnFourierYuvGaussien"},
    };
    for (const auto& [id, name] : named)
    {
        const ImageCommand* c = FindImageCommand(id);
        ASSERT_NE(c, nullptr) << id;
        EXPECT_EQ(c->handler, "CImageDoc::" + name) << id;
    }
}

TEST_F(ImageCommands, EveryCommandOfTheTableIsAnsweredAndNoOther)
{
    Doc d(testimg::Varied(12, 9, 24));
    std::vector<int> dialogs, views;
    for (const ImageCommand& c : ImageCommandTable())
    {
        EXPECT_TRUE(d.doc.OnCommand(c.id)) << c.id;
        if (IsEffectDialogKind(c.kind)) dialogs.push_back(c.id);
        if (c.kind == ImageCommandKind::ToolView) views.push_back(c.id);
    }
    // Every dialog row asks the host for its dialog, every tool-view row for its view.
    EXPECT_EQ(d.host.dialogCommands, dialogs);
    EXPECT_EQ(d.host.toolViews, views);
    EXPECT_EQ(dialogs.size(), 63u);

    const FCObjImage image(d.doc.GetImage());
    const bool modified = d.doc.IsModified();
    for (int unknown :
         std::initializer_list<int>{0, 32902, kCmdFileOpen, kCmdFileNew, kCmdEditCopy, kCmdZoom1, 33101})
        EXPECT_FALSE(d.doc.OnCommand(unknown)) << unknown;
    EXPECT_TRUE(testimg::SamePixels(d.doc.GetImage(), image));
    EXPECT_EQ(d.doc.IsModified(), modified);
}

TEST_F(ImageCommands, DirectEffectsGiveExactlyTheBytesOfTheirEffect)
{
    using Maker = std::function<std::unique_ptr<FCImageEffect>()>;
    const std::map<int, Maker> expected = {
        {kCmdMirror, Plain<FCEffectMirror>()},
        {kCmdFlip, Plain<FCEffectFlip>()},
        {kCmdRotate90, Plain<FCEffectRotate90>()},
        {kCmdRotate270, Plain<FCEffectRotate270>()},
        {kCmdRotate180, Plain<FCEffectRotate180>()},
        {kCmdEqualize, Plain<FCEffectEgaliserHistogrammeLuminosite>()},
        {kCmdEqualizeRgb, Plain<FCEffectEgaliserHistogrammeRGB>()},
        {kCmdInvert, Plain<FCEffectInvert>()},
        {kCmdGrayscale, Plain<FCEffectGrayscale>()},
        {kCmdAutoColorLevel, Plain<FCEffectAutoColorLevel>()},
        {kCmdAutoContrast, Plain<FCEffectAutoContrast>()},
        {kCmdAutoColorEnhance, Plain<FCEffectAutoColorEnhance>()},
        {kCmdDilate, Plain<FCEffectDilate>()},
        {kCmdReduce, Plain<FCEffectReduce>()},
        {kCmdReduceNoise, [] { return std::make_unique<FCEffectReduceNoise>(10, 0.4); }},
        {kCmdHalftone, Plain<FCEffectHalftoneM3>()},
        {kCmdPasseBas,
         [] {
             return Kernel({1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 0);
         }},
        {kCmdPasseHaut,
         [] {
             return Kernel({-1, -2, -1, -2, 28, -2, -1, -2, -1}, 16, 0);
         }},
        {kCmdLaplacien,
         [] {
             return Kernel({-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 128);
         }},
        {kCmdMaximum, Plain<FCEffectMaximum>()},
        {kCmdDilatation, Plain<FCEffectMaximum>()},
        {kCmdMinimum, Plain<FCEffectMinimum>()},
        {kCmdErosion, Plain<FCEffectMinimum>()},
        {kCmdMedian, Plain<FCEffectMedian>()},
        {kCmdGradient, Plain<FCEffectGradientBase>()},
        {kCmdSobel, Plain<FCEffectSimpleContour<2>>()},
        {kCmdPrewitt, Plain<FCEffectSimpleContour<1>>()},
        {kCmdContoursLaplacien, Plain<FCEffectContoursFilter<&FCEffectContoursLaplacien8>>()},
        {kCmdContoursLaplacien2, Plain<FCEffectContoursFilter<&FCEffectContoursLaplacien2>>()},
        {kCmdContoursLaplacien4, Plain<FCEffectContoursFilter<&FCEffectContoursLaplacien4>>()},
        {kCmdSquelettisation, Plain<FCEffectSquelettisation>()},
    };
    ASSERT_EQ(expected.size(), IdsOfKind(ImageCommandKind::DirectEffect).size());

    for (int bpp : {24, 32})
    {
        // Odd sizes, so that flips, turns, halving and the bands of four threads all show; a black
        // block at the left gives the thinning edges to remove.
        FCObjImage picture = testimg::Varied(23, 17, bpp, 777);
        for (int y = 0; y < picture.Height(); ++y)
            std::memset(picture.RowAddress(y), 0, std::size_t(7 * bpp / 8));
        std::map<int, FCObjImage> results;
        for (const auto& [id, make] : expected)
        {
            SCOPED_TRACE(std::to_string(id) + " at " + std::to_string(bpp) + " bpp");
            Doc d(picture);
            ASSERT_TRUE(d.doc.OnCommand(id));
            FCObjImage reference(picture);
            const std::unique_ptr<FCImageEffect> effect = make();
            FCObjImage::ApplyEffect(reference, *effect, nullptr);
            EXPECT_TRUE(testimg::SamePixels(d.doc.GetImage(), reference));
            EXPECT_FALSE(testimg::SamePixels(d.doc.GetImage(), picture)) << "the picture changed";
            EXPECT_TRUE(d.doc.CanUndo());
            EXPECT_TRUE(d.doc.IsModified());
            EXPECT_TRUE(testimg::SamePixels(d.doc.GetUndoImage(), picture));
            EXPECT_TRUE(d.host.dialogCommands.empty());
            results[id] = d.doc.GetImage();
        }
        // The morphological names give the very bytes of the filters they stand for.
        EXPECT_TRUE(testimg::SamePixels(results[kCmdErosion], results[kCmdMinimum]));
        EXPECT_TRUE(testimg::SamePixels(results[kCmdDilatation], results[kCmdMaximum]));
        EXPECT_FALSE(testimg::SamePixels(results[kCmdErosion], results[kCmdDilatation]));
    }
}

TEST_F(ImageCommands, ADirectEffectRefusesAnEightBitImage)
{
    FakeHost host;
    CountingView view;
    CImageDoc doc(&view, host);
    ASSERT_TRUE(doc.CreateBlank(6, 4, 8));
    const FCObjImage before(doc.GetImage());
    EXPECT_TRUE(doc.OnCommand(kCmdInvert));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, L"Format d'image non supporté");
    EXPECT_TRUE(testimg::SamePixels(doc.GetImage(), before));
    EXPECT_FALSE(doc.CanUndo());
}

TEST_F(ImageCommands, ADialogRowAppliesWhatTheDialogGivesWithUndo)
{
    const FCObjImage picture = testimg::Varied(19, 13, 24, 4242);
    Doc d(picture);
    d.host.dialogAnswers.push_back(std::make_unique<FCEffectSeuil>(200));
    bool sawOriginal = false;
    d.host.onDialog = [&](CImageDoc& doc, int)
    { sawOriginal = testimg::SamePixels(doc.GetImage(), picture); };
    EXPECT_TRUE(d.doc.OnCommand(kCmdSeuil));
    EXPECT_EQ(d.host.dialogCommands, std::vector<int>{kCmdSeuil});
    EXPECT_TRUE(sawOriginal);

    FCObjImage reference(picture);
    FCEffectSeuil seuil(200);
    FCObjImage::ApplyEffect(reference, seuil, nullptr);
    EXPECT_TRUE(testimg::SamePixels(d.doc.GetImage(), reference));
    EXPECT_TRUE(d.doc.IsModified());
    EXPECT_TRUE(d.doc.CanUndo());
    EXPECT_FALSE(d.doc.CanRedo());
    d.doc.OnCommand(kCmdEditUndo);
    EXPECT_TRUE(testimg::SamePixels(d.doc.GetImage(), picture));
    d.doc.OnCommand(kCmdEditRedo);
    EXPECT_TRUE(testimg::SamePixels(d.doc.GetImage(), reference));
}

TEST_F(ImageCommands, CancelInAnyDialogLeavesTheDocumentAsItWas)
{
    const FCObjImage picture = testimg::Varied(16, 11, 32, 99);
    // Two starting states: as opened, and after an edit that was undone (Redo offered).
    for (bool edited : {false, true})
    {
        SCOPED_TRACE(edited ? "after an undone edit" : "as opened");
        Doc d(picture);
        if (edited)
        {
            d.doc.OnCommand(kCmdInvert);
            d.doc.OnCommand(kCmdEditUndo);
            ASSERT_TRUE(d.doc.CanRedo());
        }
        const FCObjImage image(d.doc.GetImage()), undo(d.doc.GetUndoImage());
        const bool canUndo = d.doc.CanUndo(), canRedo = d.doc.CanRedo(), modified = d.doc.IsModified();
        const int updates = d.view.updates;
        for (const ImageCommand& c : ImageCommandTable())
        {
            if (!IsEffectDialogKind(c.kind)) continue;
            SCOPED_TRACE(c.id);
            d.host.dialogAnswers.push_back(nullptr); // Cancel
            EXPECT_TRUE(d.doc.OnCommand(c.id));
            EXPECT_TRUE(testimg::SamePixels(d.doc.GetImage(), image));
            EXPECT_TRUE(testimg::SamePixels(d.doc.GetUndoImage(), undo));
            EXPECT_EQ(d.doc.CanUndo(), canUndo);
            EXPECT_EQ(d.doc.CanRedo(), canRedo);
            EXPECT_EQ(d.doc.IsModified(), modified);
        }
        EXPECT_EQ(d.view.updates, updates);
        EXPECT_TRUE(d.host.messages.empty());
    }
}

TEST_F(ImageCommands, ToolViewRowsAskTheHostForTheirView)
{
    const FCObjImage picture = testimg::Varied(8, 8, 24);
    Doc d(picture);
    EXPECT_TRUE(d.doc.OnCommand(kCmdViewFourierTool));
    EXPECT_TRUE(d.doc.OnCommand(kCmdViewRed));
    EXPECT_EQ(d.host.toolViews, (std::vector<int>{kCmdViewFourierTool, kCmdViewRed}));
    EXPECT_TRUE(testimg::SamePixels(d.doc.GetImage(), picture));
    EXPECT_FALSE(d.doc.IsModified());
    EXPECT_FALSE(d.doc.CanUndo());
}
