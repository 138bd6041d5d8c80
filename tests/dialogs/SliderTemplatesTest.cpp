// The slider dialog templates over a synchronous document: what opening, moving, "RAZ", OK and
// Cancel do and in which order, the converting dialog's labels, the red, green and blue
// channels, and ranges given at run time.
#include "FakePreviewDoc.h"

#include "dialogs/SliderDialogTemplates.h"
#include "document/CImageDoc.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/GaussBlurEffects.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>

using testdlg::FakePreviewDoc;
using Timeline = std::vector<std::string>;

namespace
{
// Writes every hook call into the document's timeline ("H2=30").
template <class Base> class Logged : public Base
{
public:
    template <class... A>
    Logged(FakePreviewDoc* doc, A&&... args) : Base(doc, std::forward<A>(args)...), m_doc(doc)
    {
    }
    using Base::SetValue;

protected:
    void OnSlider1Changed(int p) override { m_doc->Note("H1=" + std::to_string(p)); }
    void OnSlider2Changed(int p) override { m_doc->Note("H2=" + std::to_string(p)); }
    void OnSlider3Changed(int p) override { m_doc->Note("H3=" + std::to_string(p)); }

private:
    FakePreviewDoc* m_doc;
};

using Seuil = Logged<CGeneric1SliderDialog<FCEffectSeuil, 0, 255, 128>>;
using Contrast = Logged<CGeneric2SlidersDialog<FCEffectBrightnessContrast, -100, 100, 10, -100, 100, -20>>;
using Usm = Logged<CGeneric3SlidersDialog<FCEffectUNSharpMask, 1, 32, 5, 1, 100, 70, 0, 255, 0>>;
using Rvb = Logged<CRVBDialog<FCEffectAdjustRGB, -128, 128, 0, -128, 128, 0, -128, 128, 0>>;
using Gamma =
    Logged<CGeneric1SliderDialogConvert<FCEffectGammaValue, CImageDoc::GammaConvertFunction, -100, 100, 0>>;

QString Label(const CSliderDialogCore& d, int slider)
{
    return d.ValueLabel(slider)->text();
}

void Click(CSliderDialogCore& d, int id)
{
    QTest::mouseClick(d.Controls().Get<QPushButton>(id), Qt::LeftButton);
}
} // namespace

TEST(SliderTemplates, OpeningSetsTheTextsAndPreviewsTheDefaultsOnce)
{
    FakePreviewDoc doc;
    Contrast d(&doc, QStringLiteral("Luminosité & Contraste"), QStringLiteral("Luminosité"),
               QStringLiteral("Contraste"));
    EXPECT_EQ(doc.timeline, (Timeline{"Begin"})); // the backup is made before the window exists
    d.show();
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "H1=10", "H2=-20", "Run"}));
    EXPECT_TRUE(doc.Shows(FCEffectBrightnessContrast(10, -20)));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Luminosité & Contraste"));
    EXPECT_EQ(d.CaptionLabel(1)->text(), QStringLiteral("Luminosité"));
    EXPECT_EQ(d.CaptionLabel(2)->text(), QStringLiteral("Contraste"));
    EXPECT_EQ(Label(d, 1), QStringLiteral("10"));
    EXPECT_EQ(Label(d, 2), QStringLiteral("-20"));
    EXPECT_EQ(d.TrackBar(1)->value(), 10);
    EXPECT_EQ(d.TrackBar(2)->value(), -20);
    EXPECT_EQ(d.TrackBar(2)->pageStep(), 20);
    EXPECT_EQ(d.TrackBar(2)->tickInterval(), 100);
    // Showing again is no second initialisation.
    d.hide();
    d.show();
    EXPECT_EQ(doc.runs, 1);
}

TEST(SliderTemplates, AMoveCallsItsOwnHookAndPreviewsAllValues)
{
    FakePreviewDoc doc;
    Usm d(&doc, QStringLiteral("Netteté USM"), QStringLiteral("Rayon"), QStringLiteral("Quantité"),
          QStringLiteral("Seuil"));
    d.show();
    doc.ClearTimeline();
    d.TrackBar(2)->setValue(40);
    EXPECT_EQ(doc.timeline, (Timeline{"H2=40", "Run"}));
    EXPECT_TRUE(doc.Shows(FCEffectUNSharpMask(5, 40, 0)));
    EXPECT_EQ(Label(d, 2), QStringLiteral("40"));
    EXPECT_EQ(Label(d, 1), QStringLiteral("5"));

    d.TrackBar(3)->setValue(17);
    EXPECT_TRUE(doc.Shows(FCEffectUNSharpMask(5, 40, 17)));
    EXPECT_EQ(d.Value(3), 17);

    // The keyboard moves it as the user would; Home and End go to the ends of the range.
    doc.ClearTimeline();
    d.TrackBar(1)->setFocus();
    QTest::keyClick(d.TrackBar(1), Qt::Key_End);
    EXPECT_EQ(doc.timeline, (Timeline{"H1=32", "Run"}));
    // Already at the end: no change, no hook, no preview.
    QTest::keyClick(d.TrackBar(1), Qt::Key_End);
    EXPECT_EQ(doc.timeline, (Timeline{"H1=32", "Run"}));
    EXPECT_TRUE(doc.Shows(FCEffectUNSharpMask(32, 40, 17)));
}

namespace
{
// Refuses values above 10 for its slider by setting the position back to 10.
class Capped : public CGeneric1SliderDialog<FCEffectSeuil, 0, 255, 5>
{
public:
    using CGeneric1SliderDialog::CGeneric1SliderDialog;

protected:
    void OnSlider1Changed(int p) override
    {
        if (p > 10) SetValue(1, 10);
    }
};
} // namespace

TEST(SliderTemplates, AHookThatSetsThePositionBackStopsThePreview)
{
    FakePreviewDoc doc;
    Capped d(&doc, QStringLiteral("Seuil"), QStringLiteral("Niveau"));
    d.show();
    EXPECT_EQ(doc.runs, 1);
    d.TrackBar(1)->setValue(40); // 5 -> 40 -> set back to 10: a change all the same
    EXPECT_EQ(d.Value(1), 10);
    EXPECT_EQ(d.TrackBar(1)->value(), 10);
    EXPECT_EQ(Label(d, 1), QStringLiteral("10"));
    EXPECT_EQ(doc.runs, 2);
    EXPECT_TRUE(doc.Shows(FCEffectSeuil(10)));
    d.TrackBar(1)->setValue(60); // 10 -> 60 -> back to 10: nothing changed
    EXPECT_EQ(doc.runs, 2);
    EXPECT_EQ(d.Value(1), 10);
}

// "RAZ" puts the defaults back without counting the trackbars' moves as the user's; one and
// two sliders show the image before their hooks run, three sliders after.
TEST(SliderTemplates, ResetOrderByNumberOfSliders)
{
    FakePreviewDoc doc;
    const FCObjImage before = doc.image;
    struct Case
    {
        std::unique_ptr<CSliderDialogCore> dialog;
        Timeline expected;
        std::function<bool()> showsDefaults;
    };
    std::vector<Case> cases;
    cases.push_back({std::make_unique<Seuil>(&doc, "Seuil", "Niveau"), {"Reset", "H1=128", "Run"}, [&] {
                         return doc.Shows(FCEffectSeuil(128));
                     }});
    cases.push_back({std::make_unique<Contrast>(&doc, "t", "a", "b"),
                     {"Reset", "H1=10", "H2=-20", "Run"},
                     [&] { return doc.Shows(FCEffectBrightnessContrast(10, -20)); }});
    cases.push_back({std::make_unique<Usm>(&doc, "t", "a", "b", "c"),
                     {"H1=5", "H2=70", "H3=0", "Reset", "Run"},
                     [&] { return doc.Shows(FCEffectUNSharpMask(5, 70, 0)); }});
    cases.push_back({std::make_unique<Rvb>(&doc, "t", "a", "b", "c"),
                     {"H1=0", "H2=0", "H3=0", "Reset", "Run"},
                     [&] { return doc.Shows(FCEffectAdjustRGB(0, 0, 0)); }});
    for (Case& c : cases)
    {
        CSliderDialogCore& d = *c.dialog;
        d.show();
        for (int s = 1; s <= d.SliderCount(); ++s)
            d.TrackBar(s)->setValue(d.Default(s) + 3);
        doc.ClearTimeline();
        Click(d, CSliderDialogCore::kResetId);
        EXPECT_EQ(doc.timeline, c.expected) << d.SliderCount();
        EXPECT_TRUE(c.showsDefaults());
        for (int s = 1; s <= d.SliderCount(); ++s)
        {
            EXPECT_EQ(d.Value(s), d.Default(s));
            EXPECT_EQ(d.TrackBar(s)->value(), d.Default(s));
            EXPECT_EQ(Label(d, s), QString::number(d.Default(s)));
        }
        d.reject();
        EXPECT_TRUE(testimg::SamePixels(doc.image, before));
    }
}

// Every way out ends the preview before the dialog: the image is the one from before it, and
// only OK answers 1. The positions stay readable.
TEST(SliderTemplates, OkCancelEscapeAndCloseEndThePreviewFirst)
{
    struct Way
    {
        const char* name;
        std::function<void(CSliderDialogCore&)> leave;
        int result;
    };
    const std::vector<Way> ways = {
        {"OK", [](CSliderDialogCore& d) { Click(d, 1); }, 1},
        {"Annuler", [](CSliderDialogCore& d) { Click(d, 2); }, 2},
        {"Escape", [](CSliderDialogCore& d) { QTest::keyClick(&d, Qt::Key_Escape); }, 2},
        {"close", [](CSliderDialogCore& d) { d.close(); }, 2},
        {"Enter", [](CSliderDialogCore& d) { QTest::keyClick(d.TrackBar(1), Qt::Key_Return); }, 1},
    };
    for (const Way& way : ways)
    {
        FakePreviewDoc doc;
        const FCObjImage before = doc.image;
        int finished = -1;
        {
            Seuil d(&doc, "Seuil", "Niveau");
            QObject::connect(&d, &QDialog::finished, [&](int r) { finished = r; });
            d.show();
            d.TrackBar(1)->setValue(200);
            doc.ClearTimeline();
            way.leave(d);
            EXPECT_EQ(finished, way.result) << way.name;
            EXPECT_EQ(d.result(), way.result) << way.name;
            EXPECT_FALSE(d.isVisible()) << way.name;
            EXPECT_EQ(doc.timeline, (Timeline{"End"})) << way.name;
            EXPECT_TRUE(testimg::SamePixels(doc.image, before)) << way.name;
            EXPECT_EQ(d.Value(1), 200) << way.name;
            EXPECT_TRUE(testimg::SamePixels(doc.Expected(*d.MakeEffect()), doc.Expected(FCEffectSeuil(200))));
        }
        EXPECT_EQ(doc.ends, 1) << way.name; // the destructor found the preview ended
    }
}

TEST(SliderTemplates, GammaShowsTheConvertedValueAndPreviewsIt)
{
    FakePreviewDoc doc;
    const FCObjImage before = doc.image;
    Gamma d(&doc, "Gamma", "Gamma:", "%6.2f");
    d.show();
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "H1=0", "Run"}));
    EXPECT_EQ(Label(d, 1), QStringLiteral("  1.00"));
    EXPECT_EQ(d.ConvertedValue(), 1.0);
    EXPECT_TRUE(doc.Shows(FCEffectGammaValue(1.0)));

    struct Case
    {
        int position;
        const char* label;
        double gamma;
    };
    for (const Case& c : {Case{50, "  2.00", 2.0}, Case{-50, "  0.50", 0.5}, Case{100, "  3.00", 3.0},
                          Case{-100, "  0.33", 1.0 / 3.0}})
    {
        d.TrackBar(1)->setValue(c.position);
        EXPECT_EQ(Label(d, 1).toStdString(), c.label);
        EXPECT_DOUBLE_EQ(d.ConvertedValue(), c.gamma);
        EXPECT_TRUE(doc.Shows(FCEffectGammaValue(c.gamma))) << c.position;
    }
    // "RAZ": the trackbar at 0 showing 1.00 and the image without effect, no new preview.
    doc.ClearTimeline();
    Click(d, CSliderDialogCore::kResetId);
    EXPECT_EQ(doc.timeline, (Timeline{"H1=0", "Reset"}));
    EXPECT_EQ(d.TrackBar(1)->value(), 0);
    EXPECT_EQ(Label(d, 1), QStringLiteral("  1.00"));
    EXPECT_EQ(d.ConvertedValue(), 1.0);
    EXPECT_TRUE(testimg::SamePixels(doc.image, before));
    // OK then applies gamma 1.0, the identity.
    Click(d, 1);
    EXPECT_TRUE(testimg::SamePixels(doc.Expected(*d.MakeEffect()), before));
}

// Under a locale that writes decimal commas the label keeps its point.
TEST(SliderTemplates, GammaLabelIgnoresTheLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const char* found = nullptr;
    for (const char* name : {"fr_FR.UTF-8", "fr_FR.utf8", "fr_FR", "de_DE.UTF-8", "de_DE.utf8"})
        if (std::setlocale(LC_NUMERIC, name))
        {
            found = name;
            break;
        }
    if (!found) GTEST_SKIP() << "no locale with a decimal comma is installed";
    FakePreviewDoc doc;
    Gamma d(&doc, "Gamma", "Gamma:", "%6.2f");
    d.show();
    d.TrackBar(1)->setValue(-50);
    const QString text = Label(d, 1);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, QStringLiteral("  0.50")) << found;
}

TEST(SliderTemplates, RedGreenAndBlueBarsInsetByHalfAThumb)
{
    FakePreviewDoc doc;
    Rvb d(&doc, "Couleurs RVB", "Rouge", "Vert", "Bleu");
    d.show();
    const QColor colours[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
    for (int s = 1; s <= 3; ++s)
    {
        CTrackBar* bar = d.TrackBar(s);
        EXPECT_EQ(bar->ControlId(), CSliderDialogCore::TrackBarId(s));
        const QImage image = bar->grab().toImage();
        const QRect channel = bar->ChannelRect();
        const int h = (bar->ThumbRect().width() + 1) / 2;
        const int y = channel.center().y();
        const QRect thumb = bar->ThumbRect(); // in the middle (position 0)
        // Inside the inset and away from the thumb: the colour; within h of either end: not.
        EXPECT_EQ(image.pixelColor(channel.left() + h + 1, y), colours[s - 1]) << s;
        EXPECT_EQ(image.pixelColor(thumb.left() - 2, y), colours[s - 1]) << s;
        EXPECT_EQ(image.pixelColor(channel.right() - h - 1, y), colours[s - 1]) << s;
        EXPECT_NE(image.pixelColor(channel.left() + h - 1, y), colours[s - 1]) << s;
        EXPECT_NE(image.pixelColor(channel.right() - h + 1, y), colours[s - 1]) << s;
        // The bar is 6 rows high: the channel grown by 2 above and below, less the frame.
        EXPECT_EQ(image.pixelColor(channel.left() + h + 1, channel.top() - 1), colours[s - 1]) << s;
        EXPECT_EQ(image.pixelColor(channel.left() + h + 1, channel.bottom() + 1), colours[s - 1]) << s;
        EXPECT_NE(image.pixelColor(channel.left() + h + 1, channel.top() - 2), colours[s - 1]) << s;
        EXPECT_NE(image.pixelColor(channel.left() + h + 1, channel.bottom() + 2), colours[s - 1]) << s;
    }
}

namespace
{
double TenThousandth(int p)
{
    return p * 0.0001;
}

// Ranges, texts and a converter given at run time, as the dialogs whose ranges follow the
// picture's size give them.
class RuntimeRange : public CSliderDialogCore
{
public:
    RuntimeRange(FakePreviewDoc* doc, int sliders) : CSliderDialogCore(doc, sliders) {}
    std::unique_ptr<FCImageEffect> MakeEffect() const override
    {
        made.push_back(SliderCount() == 1 ? Value(1) : Value(1) * 1000 + Value(2));
        return std::make_unique<FCEffectSeuil>(Value(1));
    }
    mutable std::vector<int> made;
};
} // namespace

TEST(SliderTemplates, RangesAndTextsGivenAtRunTime)
{
    FakePreviewDoc doc(testimg::Varied(512, 4, 24));
    {
        RuntimeRange d(&doc, 2);
        d.SetSlider(1, 1, 256, 128);
        d.SetSlider(2, 1, 35000, 17500);
        d.SetTitle(QStringLiteral("Fenêtre"));
        d.SetCaption(1, QStringLiteral("Valeur X"));
        d.SetCaption(2, QStringLiteral("Valeur Y"));
        d.show();
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Fenêtre"));
        EXPECT_EQ(d.CaptionLabel(2)->text(), QStringLiteral("Valeur Y"));
        EXPECT_EQ(d.TrackBar(1)->pageStep(), 25);
        EXPECT_EQ(d.TrackBar(1)->tickInterval(), 127);
        EXPECT_EQ(d.TrackBar(2)->maximum(), 35000);
        EXPECT_EQ(Label(d, 1), QStringLiteral("128"));
        EXPECT_EQ(Label(d, 2), QStringLiteral("17500"));
        EXPECT_EQ(d.made, (std::vector<int>{128 * 1000 + 17500}));
        d.reject();
    }
    {
        // The picture too small for its range: the trackbar holds what it can, and so does the
        // position the effect receives.
        RuntimeRange d(&doc, 1);
        d.SetSlider(1, 1, 0, 0);
        d.show();
        EXPECT_EQ(d.Value(1), d.TrackBar(1)->value());
        EXPECT_EQ(d.made, (std::vector<int>{d.TrackBar(1)->value()}));
        d.reject();
    }
    {
        RuntimeRange d(&doc, 1);
        d.SetSlider(1, 0, 1000, 20);
        d.SetConverter(TenThousandth, "%7.4f");
        d.show();
        EXPECT_EQ(Label(d, 1), QStringLiteral(" 0.0020"));
        EXPECT_DOUBLE_EQ(d.ConvertedValue(), 0.002);
        d.TrackBar(1)->setValue(0);
        EXPECT_EQ(Label(d, 1), QStringLiteral(" 0.0000"));
        d.TrackBar(1)->setValue(1000);
        EXPECT_EQ(Label(d, 1), QStringLiteral(" 0.1000"));
        Click(d, CSliderDialogCore::kResetId);
        EXPECT_EQ(Label(d, 1), QStringLiteral(" 0.0020"));
        EXPECT_DOUBLE_EQ(d.ConvertedValue(), 0.002);
        EXPECT_EQ(d.Value(1), 20);
        d.reject();
    }
}
