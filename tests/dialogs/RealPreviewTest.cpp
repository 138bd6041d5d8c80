// Each kind of slider dialog over a real document, whose preview runs on its own thread: the
// picture fills in with the effect of the values shown, and leaving puts it back exactly.
#include "FakePreviewDoc.h"
#include "TestImages.h"
#include "tests/document/FakeHost.h"

#include "dialogs/SliderDialogTemplates.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/GaussBlurEffects.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
// A document with its view and host, reading its settings from a folder of its own.
struct RealDoc
{
    RealDoc(int width = 120, int height = 90)
    {
        qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
        testdoc::ResetSettings();
        host.activeView = &view;
        FCObjImage picture = testimg::Varied(width, height, 24);
        doc.InitFromImage(picture);
        original = doc.GetImage();
    }
    ~RealDoc() { qputenv("XDG_CONFIG_HOME", previous); }

    FCObjImage Expected(FCImageEffect&& effect) const
    {
        FCObjImage out = original;
        FCObjImage::ApplyEffect(out, effect, nullptr);
        return out;
    }
    bool ImageIs(const FCObjImage& expected)
    {
        const auto lock = doc.LockImage();
        return testimg::SamePixels(doc.GetImage(), expected);
    }
    // Waits until the preview thread has brought the whole picture to expected.
    bool Reaches(const FCObjImage& expected)
    {
        return QTest::qWaitFor([&] { return ImageIs(expected); }, 20000);
    }

    QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir settings;
    testdoc::FakeHost host;
    testdoc::CountingView view;
    CImageDoc doc{&view, host};
    FCObjImage original;
};

void Click(CSliderDialogCore& d, int id)
{
    QTest::mouseClick(d.Controls().Get<QPushButton>(id), Qt::LeftButton);
}
} // namespace

TEST(RealPreview, OneSliderFillsInAndCancelRestores)
{
    RealDoc r;
    const bool modified = r.doc.IsModified(); // a new picture is modified already
    {
        CGeneric1SliderDialog<FCEffectSeuil, 0, 255, 128> d(&r.doc, "Seuil", "Niveau");
        d.show();
        EXPECT_TRUE(r.Reaches(r.Expected(FCEffectSeuil(128))));
        d.TrackBar(1)->setValue(200);
        EXPECT_TRUE(r.Reaches(r.Expected(FCEffectSeuil(200))));
        EXPECT_GT(r.view.repaints.load(), 0);
        Click(d, 2);
        EXPECT_EQ(d.result(), 2);
        EXPECT_FALSE(r.doc.HasPreviewJob());
        EXPECT_TRUE(r.ImageIs(r.original));
    }
    EXPECT_EQ(r.doc.IsModified(), modified);
    EXPECT_FALSE(r.doc.CanUndo());
}

TEST(RealPreview, TwoSlidersOkAppliesTheFinalEffectWithUndo)
{
    RealDoc r;
    std::unique_ptr<FCImageEffect> effect;
    {
        CGeneric2SlidersDialog<FCEffectBrightnessContrast, -100, 100, 0, -100, 100, 0> d(
            &r.doc, "Luminosité & Contraste", "Luminosité", "Contraste");
        d.show();
        d.TrackBar(1)->setValue(30);
        d.TrackBar(2)->setValue(-45);
        EXPECT_TRUE(r.Reaches(r.Expected(FCEffectBrightnessContrast(30, -45))));
        Click(d, 1);
        EXPECT_EQ(d.result(), 1);
        EXPECT_TRUE(r.ImageIs(r.original)); // the preview is gone before the real run
        effect = d.MakeEffect();
    }
    ASSERT_TRUE(effect);
    r.doc.ApplyEffect(*effect);
    EXPECT_TRUE(r.ImageIs(r.Expected(FCEffectBrightnessContrast(30, -45))));
    ASSERT_TRUE(r.doc.CanUndo());
    r.doc.OnEditUndo();
    EXPECT_TRUE(r.ImageIs(r.original));
}

TEST(RealPreview, ThreeSlidersResetPreviewsTheDefaults)
{
    RealDoc r;
    CGeneric3SlidersDialog<FCEffectUNSharpMask, 1, 32, 5, 1, 100, 70, 0, 255, 0> d(
        &r.doc, "Netteté USM", "Rayon", "Quantité", "Seuil");
    d.show();
    d.TrackBar(1)->setValue(12);
    d.TrackBar(3)->setValue(40);
    Click(d, CSliderDialogCore::kResetId); // the job of the move may still run
    EXPECT_TRUE(r.Reaches(r.Expected(FCEffectUNSharpMask(5, 70, 0))));
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(d.result(), 2);
    EXPECT_TRUE(r.ImageIs(r.original));
}

// On a picture big enough for the job to be running, "RAZ" stops it before putting the backup
// back, and no row of it arrives later.
TEST(RealPreview, ConvertingResetStopsTheRunningJob)
{
    RealDoc r(1200, 900);
    CGeneric1SliderDialogConvert<FCEffectGammaValue, CImageDoc::GammaConvertFunction, -100, 100, 0> d(
        &r.doc, "Gamma", "Gamma:", "%6.2f");
    d.show();
    d.TrackBar(1)->setValue(50);
    Click(d, CSliderDialogCore::kResetId);
    EXPECT_FALSE(r.doc.HasPreviewJob());
    EXPECT_TRUE(r.ImageIs(r.original));
    QTest::qWait(50);
    EXPECT_TRUE(r.ImageIs(r.original));
    d.TrackBar(1)->setValue(-50);
    EXPECT_TRUE(r.Reaches(r.Expected(FCEffectGammaValue(0.5))));
    Click(d, 1);
    EXPECT_TRUE(r.ImageIs(r.original));
    EXPECT_DOUBLE_EQ(d.ConvertedValue(), 0.5);
}

TEST(RealPreview, RedGreenBlueDialogCloseRestores)
{
    RealDoc r;
    const bool modified = r.doc.IsModified();
    {
        CRVBDialog<FCEffectAdjustRGB, -128, 128, 0, -128, 128, 0, -128, 128, 0> d(&r.doc, "Couleurs RVB",
                                                                                  "Rouge", "Vert", "Bleu");
        d.show();
        d.TrackBar(1)->setValue(60);
        d.TrackBar(2)->setValue(-20);
        d.TrackBar(3)->setValue(128);
        EXPECT_TRUE(r.Reaches(r.Expected(FCEffectAdjustRGB(60, -20, 128))));
        d.close();
        EXPECT_EQ(d.result(), 2);
        EXPECT_TRUE(r.ImageIs(r.original));
    }
    EXPECT_EQ(r.doc.IsModified(), modified);
    EXPECT_FALSE(r.doc.CanUndo());
}
