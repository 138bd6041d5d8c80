// Every slider dialog of the image commands, against its row: texts, ranges, page and tick
// steps, the effect each set of positions makes, "RAZ", and the three ways out. Then the
// runners the main frame registers, run modally over a real document.
#include "FakePreviewDoc.h"
#include "TestImages.h"
#include "tests/document/FakeHost.h"

#include "dialogs/SliderDialogTemplates.h"
#include "dialogs/SliderDialogs.h"
#include "imagelib/effects/ArtisticEffects.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ColorModel.h"
#include "imagelib/effects/ContourEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"
#include "imagelib/effects/GaussBlurEffects.h"
#include "imagelib/effects/MotionBlurEffects.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <set>

using testdlg::FakePreviewDoc;
using Timeline = std::vector<std::string>;

namespace
{
using Positions = std::array<int, 3>;
using Effect = std::unique_ptr<FCImageEffect>;

struct Slider
{
    int min, max, def, page, tick;
    const char* caption;
};

struct Row
{
    int command;
    const char* title;
    std::vector<Slider> sliders;
    std::function<Effect(const Positions&)> effect;
    bool gamma = false; // the position passes through the gamma conversion, shown "%6.2f"
};

void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.command << " \"" << row.title << "\"";
}

template <class E, class... A> Effect Make(A... a)
{
    return std::make_unique<E>(a...);
}

// The rows as the image menu's dialogs are meant to be.
const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = {
        {32949,
         "Flou gaussien",
         {{1, 32, 5, 3, 15, "Taille"}},
         [](const Positions& p) { return Make<FCEffectBlur_GaussCopyEdge>(p[0]); }},
        {32957,
         "Flou radial",
         {{1, 45, 3, 4, 22, "Niveau"}},
         [](const Positions& p) { return Make<FCEffectBlur_Radial>(p[0], 0.0, 0.0); }},
        {32955,
         "Flou zoom",
         {{1, 100, 15, 9, 49, "Niveau"}},
         [](const Positions& p) { return Make<FCEffectBlur_Zoom>(p[0], 0.0, 0.0); }},
        {32991,
         "Contours",
         {{1, 100, 10, 9, 49, "Seuil"}},
         [](const Positions& p) { return Make<FCEffectContoursGradient>(p[0]); }},
        {32973,
         "Relief",
         {{0, 359, 0, 35, 179, "Angle (°)"}},
         [](const Positions& p) { return Make<FCEffectEmboss>(p[0]); }},
        {32964,
         "Mosaïque",
         {{2, 100, 20, 9, 49, "Taille"}},
         [](const Positions& p) { return Make<FCEffectMosaic>(p[0]); }},
        {32969,
         "Photo Ancienne",
         {{1, 8, 3, 0, 3, "Adoucissement"}},
         [](const Positions& p) { return Make<FCEffectOldPhoto>(p[0], -20, -40); }},
        {32976,
         "Posteriser",
         {{2, 20, 3, 1, 9, "Niveau"}},
         [](const Positions& p) { return Make<FCEffectPosterize>(p[0]); }},
        {32966,
         "Seuil",
         {{0, 255, 128, 25, 127, "Niveau"}},
         [](const Positions& p) { return Make<FCEffectSeuil>(p[0]); }},
        {32960,
         "Netteté",
         {{4, 12, 8, 0, 4, "Niveau"}},
         [](const Positions& p) { return Make<FCEffectSharp>(p[0]); }},
        {32967,
         "Solariser",
         {{0, 255, 128, 25, 127, "Niveau"}},
         [](const Positions& p) { return Make<FCEffectSolarize>(p[0]); }},
        {32974,
         "Splash",
         {{3, 64, 20, 6, 30, "Niveau"}},
         [](const Positions& p) { return Make<FCEffectSplash>(p[0]); }},
        {33005,
         "Binariser",
         {{0, 255, 128, 25, 127, "Seuil"}},
         [](const Positions& p) { return Make<FCEffectThreshold>(p[0]); }},
        {32925,
         "Gamma",
         {{-100, 100, 0, 20, 100, "Gamma:"}},
         [](const Positions& p) { return Make<FCEffectGammaValue>(CImageDoc::GammaConvertFunction(p[0])); },
         true},
        {32953,
         "Flou de vitesse",
         {{1, 200, 50, 19, 99, "Vitesse"}, {0, 360, 0, 36, 180, "Angle"}},
         [](const Positions& p) { return Make<FCEffectBlur_Motion>(p[0], p[1]); }},
        {32927,
         "Luminosité & Contraste",
         {{-100, 100, 0, 20, 100, "Luminosité"}, {-100, 100, 0, 20, 100, "Contraste"}},
         [](const Positions& p) { return Make<FCEffectBrightnessContrast>(p[0], p[1]); }},
        {32928,
         "Teinte & Saturation",
         {{-100, 100, 0, 20, 100, "Teinte"}, {-100, 100, 0, 20, 100, "Saturation"}},
         [](const Positions& p) { return Make<FCEffectHueSaturation>(p[0], p[1]); }},
        {32978,
         "Peinture à l'huile",
         {{2, 8, 3, 0, 3, "Taille"}, {3, 255, 30, 25, 126, "Rugosité"}},
         [](const Positions& p) { return Make<FCEffectOilPaint>(p[0], p[1]); }},
        {32977,
         "Dessin au trait",
         {{1, 20, 5, 1, 9, "Taille du crayon"}, {-20, 20, 3, 4, 20, "Rugosité"}},
         [](const Positions& p) { return Make<FCEffectPencilSketch>(p[0], p[1]); }},
        {33121,
         "Binariser",
         {{0, 255, 64, 25, 127, "Seuil bas"}, {0, 255, 192, 25, 127, "Seuil haut"}},
         [](const Positions& p) { return Make<FCEffectThreshold2>(p[0], p[1]); }},
        {32962,
         "Netteté USM",
         {{1, 32, 5, 3, 15, "Rayon"}, {1, 100, 70, 9, 49, "Quantité"}, {0, 255, 0, 25, 127, "Seuil"}},
         [](const Positions& p) { return Make<FCEffectUNSharpMask>(p[0], p[1], p[2]); }},
        {32930,
         "Couleurs RVB",
         {{-128, 128, 0, 25, 128, "Rouge"}, {-128, 128, 0, 25, 128, "Vert"}, {-128, 128, 0, 25, 128, "Bleu"}},
         [](const Positions& p) { return Make<FCEffectAdjustRGB>(p[0], p[1], p[2]); }},
        {33012,
         "Seuils RVB",
         {{0, 255, 128, 25, 127, "Rouge"}, {0, 255, 128, 25, 127, "Vert"}, {0, 255, 128, 25, 127, "Bleu"}},
         [](const Positions& p) { return Make<FCEffectSeuilRGB>(p[0], p[1], p[2]); }},
    };
    return rows;
}

const SliderDialogInstance* FindInstance(int command)
{
    for (const SliderDialogInstance& i : SliderDialogInstances())
        if (i.command == command) return &i;
    return nullptr;
}

QString ExpectedLabel(const Row& row, int position)
{
    return row.gamma ? QString::asprintf("%6.2f", CImageDoc::GammaConvertFunction(position))
                     : QString::number(position);
}

class SliderInstance : public ::testing::TestWithParam<Row>
{
protected:
    // A picture with enough variety for every effect to change it: noise below, a ramp above
    // it and black at the top (where the contour threshold shows).
    static FCObjImage Picture()
    {
        FCObjImage picture = testimg::Varied(40, 28, 24, 777);
        for (int y = 0; y < 14; ++y)
            for (int x = 0; x < 40; ++x)
                for (int c = 0; c < 3; ++c)
                    picture.RowAddress(y)[x * 3 + c] = y < 6 ? 0 : BYTE(60 + 2 * x + y + 20 * c);
        return picture;
    }
    FakePreviewDoc doc{Picture()};

    std::unique_ptr<CSliderDialogCore> Open()
    {
        const SliderDialogInstance* instance = FindInstance(GetParam().command);
        EXPECT_NE(instance, nullptr);
        if (!instance) return nullptr;
        auto d = instance->make(&doc, nullptr);
        d->show();
        return d;
    }
    Positions Defaults() const
    {
        Positions p{};
        for (std::size_t s = 0; s < GetParam().sliders.size(); ++s)
            p[s] = GetParam().sliders[s].def;
        return p;
    }
    bool Shows(const Positions& p) { return doc.Shows(*GetParam().effect(p)); }
    // A position of slider s (from 1) whose effect differs, on this picture, from the effect of
    // the positions p: the end of the range first. Some pairs give one picture (angles 0 and
    // 360, thresholds every pixel passes).
    int ChangingPosition(const Positions& p, int s)
    {
        const Slider& e = GetParam().sliders[s - 1];
        const FCObjImage now = doc.Expected(*GetParam().effect(p));
        for (int v : {e.max, e.min, (e.min + e.max) / 2, e.def + 1, e.def - 1})
        {
            if (v < e.min || v > e.max || v == p[s - 1]) continue;
            Positions q = p;
            q[s - 1] = v;
            if (!testimg::SamePixels(doc.Expected(*GetParam().effect(q)), now)) return v;
        }
        ADD_FAILURE() << "no position of slider " << s << " changes the picture";
        return e.max;
    }
};
} // namespace

TEST_P(SliderInstance, OpensWithItsTextsRangesAndTheDefaultsPreviewed)
{
    const Row& row = GetParam();
    auto d = Open();
    ASSERT_TRUE(d);
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "Run"}));
    EXPECT_EQ(d->windowTitle(), QString::fromUtf8(row.title));
    ASSERT_EQ(d->SliderCount(), int(row.sliders.size()));
    for (int s = 1; s <= d->SliderCount(); ++s)
    {
        const Slider& e = row.sliders[s - 1];
        const CTrackBar* bar = d->TrackBar(s);
        EXPECT_EQ(bar->minimum(), e.min) << s;
        EXPECT_EQ(bar->maximum(), e.max) << s;
        EXPECT_EQ(bar->value(), e.def) << s;
        EXPECT_EQ(d->Value(s), e.def) << s;
        EXPECT_EQ(bar->pageStep(), e.page) << s;
        EXPECT_EQ(bar->tickInterval(), e.tick) << s;
        EXPECT_EQ(d->CaptionLabel(s)->text(), QString::fromUtf8(e.caption)) << s;
        EXPECT_EQ(d->ValueLabel(s)->text(), ExpectedLabel(row, e.def)) << s;
    }
    EXPECT_TRUE(Shows(Defaults()));
}

TEST_P(SliderInstance, EachSliderMovesThePreviewAndRazBringsTheDefaultsBack)
{
    const Row& row = GetParam();
    auto d = Open();
    ASSERT_TRUE(d);
    // Each slider away from its default and back, the others at theirs.
    for (int s = 1; s <= d->SliderCount(); ++s)
    {
        Positions p = Defaults();
        const int def = p[s - 1];
        for (const int v : {ChangingPosition(p, s), def})
        {
            const FCObjImage before = doc.image;
            const int runs = doc.runs;
            p[s - 1] = v;
            d->TrackBar(s)->setValue(v);
            EXPECT_EQ(doc.runs, runs + 1) << s;
            EXPECT_EQ(d->Value(s), row.gamma ? def : v) << s; // the gamma dialog holds the converted value
            EXPECT_EQ(d->ValueLabel(s)->text(), ExpectedLabel(row, v)) << s;
            EXPECT_TRUE(Shows(p)) << s;
            EXPECT_FALSE(testimg::SamePixels(doc.image, before))
                << "slider " << s << " left the picture as it was";
        }
    }
    for (int s = 1; s <= d->SliderCount(); ++s)
        d->TrackBar(s)->setValue(ChangingPosition(Defaults(), s));

    doc.ClearTimeline();
    QTest::mouseClick(d->Controls().Get<QPushButton>(CSliderDialogCore::kResetId), Qt::LeftButton);
    if (row.gamma)
    {
        // The default is the identity: the restored picture is its preview.
        EXPECT_EQ(doc.timeline, (Timeline{"Reset"}));
        EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));
    }
    else
    {
        EXPECT_EQ(doc.timeline, (Timeline{"Reset", "Run"}));
        EXPECT_TRUE(Shows(Defaults()));
    }
    for (int s = 1; s <= d->SliderCount(); ++s)
    {
        EXPECT_EQ(d->TrackBar(s)->value(), row.sliders[s - 1].def);
        EXPECT_EQ(d->ValueLabel(s)->text(), ExpectedLabel(row, row.sliders[s - 1].def));
    }
}

TEST_P(SliderInstance, CancelAndEscapeRestoreThePictureOkGivesTheFinalEffect)
{
    const Row& row = GetParam();
    const FCObjImage original = doc.image;
    Positions moved = Defaults();
    for (std::size_t s = 0; s < row.sliders.size(); ++s)
        moved[s] = row.sliders[s].min + (row.sliders[s].max - row.sliders[s].min) / 3;
    const std::vector<std::pair<const char*, std::function<void(CSliderDialogCore&)>>> ways = {
        {"Annuler",
         [](CSliderDialogCore& d) { QTest::mouseClick(d.Controls().Get<QPushButton>(2), Qt::LeftButton); }},
        {"Escape", [](CSliderDialogCore& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"OK",
         [](CSliderDialogCore& d) { QTest::mouseClick(d.Controls().Get<QPushButton>(1), Qt::LeftButton); }},
    };
    for (const auto& [name, leave] : ways)
    {
        auto d = Open();
        ASSERT_TRUE(d);
        for (int s = 1; s <= d->SliderCount(); ++s)
            d->TrackBar(s)->setValue(moved[s - 1]);
        doc.ClearTimeline();
        leave(*d);
        const bool ok = std::string(name) == "OK";
        EXPECT_EQ(d->result(), ok ? 1 : 2) << name;
        EXPECT_EQ(doc.timeline, (Timeline{"End"})) << name;
        EXPECT_TRUE(testimg::SamePixels(doc.image, original)) << name;
        if (ok)
        {
            // The final effect is the one of the final positions.
            const Effect final = d->MakeEffect();
            ASSERT_TRUE(final);
            EXPECT_TRUE(testimg::SamePixels(doc.Expected(*final), doc.Expected(*row.effect(moved))));
        }
        d.reset();
        EXPECT_EQ(doc.timeline, (Timeline{"End"})) << name; // nothing more when it goes
    }
}

INSTANTIATE_TEST_SUITE_P(ImageMenu, SliderInstance, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& info)
                         { return std::to_string(info.param.command); });

TEST(SliderDialogFamily, OneRunnerPerDialogAndNoOtherCommand)
{
    std::set<int> expected;
    for (const Row& row : Rows())
        expected.insert(row.command);
    std::set<int> instances, entries;
    for (const SliderDialogInstance& i : SliderDialogInstances())
    {
        EXPECT_TRUE(instances.insert(i.command).second) << i.command;
        EXPECT_NE(i.make, nullptr);
    }
    for (const EffectDialogEntry& e : SliderDialogEntries())
    {
        EXPECT_TRUE(entries.insert(e.command).second) << e.command;
        EXPECT_NE(e.run, nullptr);
    }
    EXPECT_EQ(instances, expected);
    EXPECT_EQ(entries, expected);
    // The three colour dialogs with classes of their own are not in this family.
    for (int command : {32933, 32940, 32941})
        EXPECT_EQ(expected.count(command), 0u);
}

namespace
{
// A real document for the runners, with its settings in a folder of its own.
struct RunnerDoc
{
    RunnerDoc()
    {
        qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
        testdoc::ResetSettings();
        host.activeView = &view;
        FCObjImage picture = testimg::Varied(64, 48, 24, 99);
        doc.InitFromImage(picture);
        original = doc.GetImage();
        RegisterEffectDialogs(SliderDialogEntries());
        parent.setGeometry(100, 80, 900, 700);
        parent.show();
    }
    ~RunnerDoc() { qputenv("XDG_CONFIG_HOME", previous); }

    // Runs the command's dialog modally; `drive` acts on it once it is open.
    Effect Run(int command, std::function<void(CSliderDialogCore&)> drive)
    {
        QTimer::singleShot(0,
                           [&]
                           {
                               auto* d = dynamic_cast<CSliderDialogCore*>(QApplication::activeModalWidget());
                               ASSERT_NE(d, nullptr);
                               drive(*d);
                           });
        return RunEffectDialog(doc, command, &parent);
    }

    QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir settings;
    testdoc::FakeHost host;
    testdoc::CountingView view;
    CImageDoc doc{&view, host};
    FCObjImage original;
    QWidget parent;
};
} // namespace

TEST(SliderDialogFamily, RunnerGivesTheFinalEffectOnOkOnly)
{
    RunnerDoc r;
    bool previewed = false;
    Effect effect = r.Run(32949,
                          [&](CSliderDialogCore& d)
                          {
                              EXPECT_EQ(d.parentWidget(), &r.parent);
                              // Centred over the window it belongs to.
                              const QPoint offset =
                                  d.frameGeometry().center() - r.parent.frameGeometry().center();
                              EXPECT_LE(offset.manhattanLength(), 4);
                              EXPECT_EQ(d.windowTitle(), QStringLiteral("Flou gaussien"));
                              d.TrackBar(1)->setValue(9);
                              FCObjImage blurred = r.original;
                              FCEffectBlur_GaussCopyEdge blur(9);
                              FCObjImage::ApplyEffect(blurred, blur, nullptr);
                              previewed = QTest::qWaitFor(
                                  [&]
                                  {
                                      const auto lock = r.doc.LockImage();
                                      return testimg::SamePixels(r.doc.GetImage(), blurred);
                                  },
                                  20000);
                              d.accept();
                          });
    EXPECT_TRUE(previewed);
    ASSERT_TRUE(effect);
    EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), r.original)); // the caller applies it
    EXPECT_FALSE(r.doc.HasPreviewJob());
    r.doc.ApplyEffect(*effect);
    FCObjImage expected = r.original;
    FCEffectBlur_GaussCopyEdge blur(9);
    FCObjImage::ApplyEffect(expected, blur, nullptr);
    EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), expected));
    r.doc.OnEditUndo();
    EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), r.original));

    // Escape: nothing to apply, and the picture as it was.
    const FCObjImage before = r.doc.GetImage();
    Effect none = r.Run(32925,
                        [](CSliderDialogCore& d)
                        {
                            d.TrackBar(1)->setValue(60);
                            QTest::keyClick(&d, Qt::Key_Escape);
                        });
    EXPECT_FALSE(none);
    EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), before));
}
