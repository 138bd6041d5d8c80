// The colour dialogs: the ramps their trackbars show, the colour balance's sliders, tone range
// and luminosity reaching the preview, "RAZ", the ways out, and the three dialogs built on the
// slider templates.
#include "FakePreviewDoc.h"
#include "TestImages.h"

#include "dialogs/ColourDialogs.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <random>

using testdlg::FakePreviewDoc;
using Timeline = std::vector<std::string>;

namespace
{
const DialogBaseUnits kBase{6, 13};

struct Bgr
{
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};
void PrintTo(const Bgr& c, std::ostream* os)
{
    *os << "(B " << c.b << ", G " << c.g << ", R " << c.r << ")";
}

Bgr PixelOf(const FCObjImage& ramp, int x)
{
    const BYTE* p = ramp.PixelAddress(x, 0);
    EXPECT_EQ(p[3], 255) << "alpha at " << x;
    return {p[0], p[1], p[2]};
}

void Click(const CEffectDialogBase& d, int id)
{
    auto* button = d.Control<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
}

// The colour of a trackbar's channel at a fraction of the ramp's drawn width, as painted.
QColor ChannelColourAt(const CTrackBar& bar, double fraction)
{
    const QImage image = const_cast<CTrackBar&>(bar).grab().toImage();
    const QRect channel = bar.ChannelRect();
    const int h = (bar.ThumbRect().width() + 1) / 2;
    const int left = channel.x() + h, right = channel.x() + channel.width() - h;
    const int x = left + int((right - left - 1) * fraction);
    return image.pixelColor(x, channel.center().y());
}
} // namespace

TEST(ColourRamps, BalanceHueAndSaturationRamps)
{
    struct Case
    {
        int ramp, x;
        Bgr colour;
    };
    const Case balance[] = {
        {1, 0, {255, 255, 0}}, {1, 255, {0, 0, 255}}, {1, 100, {155, 155, 100}}, {2, 0, {255, 0, 255}},
        {2, 255, {0, 255, 0}}, {3, 0, {0, 255, 255}}, {3, 255, {255, 0, 0}},     {3, 200, {200, 55, 55}},
    };
    for (const Case& c : balance)
    {
        const FCObjImage ramp = MakeBalanceRamp(c.ramp);
        ASSERT_EQ(ramp.Width(), 256);
        ASSERT_EQ(ramp.Height(), 1);
        ASSERT_EQ(ramp.ColorBits(), 32);
        EXPECT_EQ(PixelOf(ramp, c.x), c.colour) << "ramp " << c.ramp << " at " << c.x;
    }

    const FCObjImage hue = MakeHueRamp();
    ASSERT_EQ(hue.Width(), 360);
    const std::pair<int, Bgr> circle[] = {{0, {0, 0, 255}},     {60, {0, 255, 255}}, {120, {0, 255, 0}},
                                          {180, {255, 255, 0}}, {240, {255, 0, 0}},  {300, {255, 0, 255}},
                                          {359, {4, 0, 255}}};
    for (const auto& [x, colour] : circle)
        EXPECT_EQ(PixelOf(hue, x), colour) << "hue " << x;

    FCObjImage saturation;
    FillSaturationRamp(saturation, 0);
    ASSERT_EQ(saturation.Width(), 256);
    EXPECT_EQ(PixelOf(saturation, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(PixelOf(saturation, 255), (Bgr{0, 0, 255}));
    FillSaturationRamp(saturation, 120);
    EXPECT_EQ(PixelOf(saturation, 255), (Bgr{0, 255, 0}));
    EXPECT_EQ(PixelOf(saturation, 128), (Bgr{0, 128, 0})); // 255 x 128 / 255
    FillSaturationRamp(saturation, 45);                    // (255, 191, 0) in red, green, blue
    EXPECT_EQ(PixelOf(saturation, 255), (Bgr{0, 191, 255}));
    EXPECT_EQ(PixelOf(saturation, 100), (Bgr{0, 74, 100}));
}

class BalanceDialog : public ::testing::Test
{
protected:
    FakePreviewDoc doc{testimg::Varied(24, 16, 24, 31)};
    CBalanceCouleursDialog d{&doc, nullptr, &kBase};

    bool Checked(int id) const { return d.Control<QAbstractButton>(id)->isChecked(); }
    void ExpectAtRest()
    {
        for (int s = 1; s <= 3; ++s)
        {
            EXPECT_EQ(d.TrackBar(s)->value(), 0) << s;
            EXPECT_EQ(d.ValueLabel(s)->text(), "0") << s;
        }
        EXPECT_TRUE(Checked(1053));
        EXPECT_FALSE(Checked(1054));
        EXPECT_TRUE(Checked(1055));
        EXPECT_FALSE(Checked(1056));
        const ColorBalanceValues& v = d.Values();
        EXPECT_TRUE(v.keepLuminosity);
        EXPECT_EQ(v.toneRange, 1);
        EXPECT_EQ(v.cyanRed + v.magentaGreen + v.yellowBlue, 0);
    }
};

TEST_F(BalanceDialog, ControlsReachThePreviewAndRazPutsEverythingBack)
{
    d.show();
    EXPECT_EQ(doc.timeline, (Timeline{"Begin"})); // nothing previewed at the start
    EXPECT_EQ(d.windowTitle(), "Balance des couleurs");
    EXPECT_EQ(d.TrackBar(1)->minimum(), -100);
    EXPECT_EQ(d.TrackBar(1)->maximum(), 100);
    EXPECT_EQ(d.TrackBar(1)->pageStep(), 20);
    EXPECT_EQ(d.TrackBar(1)->tickInterval(), 100);
    ExpectAtRest();

    d.TrackBar(1)->setValue(40);
    EXPECT_EQ(doc.runs, 1);
    EXPECT_EQ(d.ValueLabel(1)->text(), "40");
    EXPECT_TRUE(doc.Shows(FCEffectColorBalance(true, 1, 40, 0, 0)));

    Click(d, 1054); // "Ombre"
    EXPECT_EQ(doc.runs, 2);
    EXPECT_TRUE(doc.Shows(FCEffectColorBalance(true, 0, 40, 0, 0)));

    Click(d, 1053); // luminosity no longer kept
    EXPECT_EQ(doc.runs, 3);
    EXPECT_TRUE(doc.Shows(FCEffectColorBalance(false, 0, 40, 0, 0)));

    d.TrackBar(2)->setValue(-70);
    d.TrackBar(3)->setValue(25);
    Click(d, 1056); // "Eclaircir"
    EXPECT_EQ(doc.runs, 6);
    EXPECT_TRUE(doc.Shows(FCEffectColorBalance(false, 2, 40, -70, 25)));
    EXPECT_EQ(d.ValueLabel(2)->text(), "-70");

    doc.ClearTimeline();
    Click(d, 1052);
    EXPECT_EQ(doc.timeline, (Timeline{"Reset"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));
    ExpectAtRest();
}

TEST_F(BalanceDialog, ShadowsWithEverySliderAtZeroStillPreviews)
{
    d.show();
    Click(d, 1054);
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "Run"}));
    EXPECT_EQ(d.Values().toneRange, 0);
    EXPECT_TRUE(doc.Shows(FCEffectColorBalance(true, 0, 0, 0, 0)));
}

TEST_F(BalanceDialog, ExactlyOneToneRangeAfterAnyClicks)
{
    d.show();
    std::mt19937 random(7);
    for (int i = 0; i < 30; ++i)
    {
        const int t = int(random() % 3);
        Click(d, 1054 + t);
        EXPECT_EQ(int(Checked(1054)) + int(Checked(1055)) + int(Checked(1056)), 1);
        EXPECT_TRUE(Checked(1054 + t));
        EXPECT_EQ(d.Values().toneRange, t);
    }
}

TEST_F(BalanceDialog, WaysOutRestoreThePictureAndOkKeepsTheValues)
{
    const FCObjImage original = doc.image;
    d.show();
    d.TrackBar(3)->setValue(-30);
    Click(d, 1056);
    doc.ClearTimeline();
    Click(d, 1);
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(doc.timeline, (Timeline{"End"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, original));
    const auto effect = d.MakeEffect();
    EXPECT_TRUE(
        testimg::SamePixels(doc.Expected(*effect), doc.Expected(FCEffectColorBalance(true, 2, 0, 0, -30))));

    FakePreviewDoc other{testimg::Varied(24, 16, 24, 32)};
    const FCObjImage before = other.image;
    CBalanceCouleursDialog escaped(&other, nullptr, &kBase);
    escaped.show();
    escaped.TrackBar(1)->setValue(90);
    QTest::keyClick(&escaped, Qt::Key_Escape);
    EXPECT_EQ(escaped.result(), 2);
    EXPECT_EQ(other.timeline.back(), "End");
    EXPECT_TRUE(testimg::SamePixels(other.image, before));
}

TEST_F(BalanceDialog, ChannelsShowTheirRamps)
{
    d.show();
    d.TrackBar(1)->setValue(0);
    const QColor left = ChannelColourAt(*d.TrackBar(1), 0.03);
    const QColor right = ChannelColourAt(*d.TrackBar(1), 0.97);
    EXPECT_GT(left.blue(), 200);
    EXPECT_GT(left.green(), 200);
    EXPECT_LT(left.red(), 50);
    EXPECT_GT(right.red(), 200);
    EXPECT_LT(right.green(), 50);
    EXPECT_LT(right.blue(), 50);
    const QColor yellow = ChannelColourAt(*d.TrackBar(3), 0.03);
    EXPECT_GT(yellow.red(), 200);
    EXPECT_GT(yellow.green(), 200);
    EXPECT_LT(yellow.blue(), 50);
}

TEST(ColourSaturationDialog, SaturationRampFollowsTheHue)
{
    FakePreviewDoc doc{testimg::Varied(24, 16, 24, 33)};
    CCouleurSaturationDialog d(&doc, nullptr, &kBase);
    d.show();
    EXPECT_EQ(d.windowTitle(), "Couleur & Saturation");
    EXPECT_EQ(d.CaptionLabel(1)->text(), "Couleur");
    EXPECT_EQ(d.CaptionLabel(2)->text(), "Saturation");
    EXPECT_EQ(d.TrackBar(1)->maximum(), 359);
    EXPECT_EQ(d.TrackBar(1)->value(), 45);
    EXPECT_EQ(d.TrackBar(2)->value(), 160);
    EXPECT_EQ(doc.runs, 1);
    EXPECT_TRUE(doc.Shows(FCEffectColorToneIntParam(45, 160)));
    EXPECT_EQ(PixelOf(d.SaturationRamp(), 255), (Bgr{0, 191, 255}));

    d.TrackBar(1)->setValue(0);
    EXPECT_EQ(PixelOf(d.SaturationRamp(), 255), (Bgr{0, 0, 255}));
    EXPECT_TRUE(doc.Shows(FCEffectColorToneIntParam(0, 160)));
    // The saturation channel is painted with the new ramp: red at its right end.
    const QColor red = ChannelColourAt(*d.TrackBar(2), 0.97);
    EXPECT_GT(red.red(), 200);
    EXPECT_LT(red.green(), 50);
    // The hue channel runs round the circle: red, green at a third, blue at two thirds.
    EXPECT_GT(ChannelColourAt(*d.TrackBar(1), 1.0 / 3).green(), 200);
    EXPECT_LT(ChannelColourAt(*d.TrackBar(1), 1.0 / 3).red(), 60);
    EXPECT_GT(ChannelColourAt(*d.TrackBar(1), 2.0 / 3).blue(), 200);
    EXPECT_LT(ChannelColourAt(*d.TrackBar(1), 2.0 / 3).green(), 60);

    QTest::mouseClick(d.Controls().Get<QPushButton>(1052), Qt::LeftButton);
    EXPECT_EQ(PixelOf(d.SaturationRamp(), 255), (Bgr{0, 191, 255}));
    EXPECT_TRUE(doc.Shows(FCEffectColorToneIntParam(45, 160)));
    const QColor orange = ChannelColourAt(*d.TrackBar(2), 0.97);
    EXPECT_GT(orange.red(), 200);
    EXPECT_GT(orange.green(), 140);
}

TEST(ColourSliderDialogs, BrillianceAndSoftPortraitCarryTheirTextsRangesAndEffects)
{
    {
        FakePreviewDoc doc{testimg::Varied(24, 16, 24, 34)};
        CCouleursBrillanceDialog d(&doc, nullptr, &kBase);
        d.show();
        EXPECT_EQ(d.windowTitle(), "Brillance et Adoucis");
        EXPECT_EQ(d.CaptionLabel(1)->text(), "Adoucissement");
        EXPECT_EQ(d.CaptionLabel(2)->text(), QString::fromUtf8("Luminosité"));
        EXPECT_EQ(d.CaptionLabel(3)->text(), "Contraste");
        const int ranges[3][3] = {{1, 16, 10}, {-100, 100, 0}, {-100, 100, 0}};
        for (int s = 1; s <= 3; ++s)
        {
            EXPECT_EQ(d.TrackBar(s)->minimum(), ranges[s - 1][0]) << s;
            EXPECT_EQ(d.TrackBar(s)->maximum(), ranges[s - 1][1]) << s;
            EXPECT_EQ(d.TrackBar(s)->value(), ranges[s - 1][2]) << s;
        }
        EXPECT_TRUE(doc.Shows(FCEffectSoftGlow(10, 0, 0)));
        d.TrackBar(1)->setValue(3);
        d.TrackBar(2)->setValue(40);
        d.TrackBar(3)->setValue(-20);
        EXPECT_TRUE(doc.Shows(FCEffectSoftGlow(3, 40, -20)));
    }
    {
        FakePreviewDoc doc{testimg::Varied(24, 16, 24, 35)};
        CCouleursPortraitAdoucisDialog d(&doc, nullptr, &kBase);
        d.show();
        EXPECT_EQ(d.windowTitle(), "Portrait Adoucis");
        EXPECT_EQ(d.CaptionLabel(1)->text(), "Adoucissement");
        EXPECT_EQ(d.CaptionLabel(2)->text(), QString::fromUtf8("Luminosité"));
        EXPECT_EQ(d.CaptionLabel(3)->text(), "Chaleur");
        const int ranges[3][3] = {{1, 10, 5}, {-20, 20, 0}, {0, 20, 10}};
        for (int s = 1; s <= 3; ++s)
        {
            EXPECT_EQ(d.TrackBar(s)->minimum(), ranges[s - 1][0]) << s;
            EXPECT_EQ(d.TrackBar(s)->maximum(), ranges[s - 1][1]) << s;
            EXPECT_EQ(d.TrackBar(s)->value(), ranges[s - 1][2]) << s;
        }
        EXPECT_TRUE(doc.Shows(FCEffectSoftPortrait(5, 0, 10)));
        d.TrackBar(1)->setValue(8);
        d.TrackBar(2)->setValue(-12);
        d.TrackBar(3)->setValue(20);
        EXPECT_TRUE(doc.Shows(FCEffectSoftPortrait(8, -12, 20)));
    }
}
