// The other dialogs of the image menu: whole numbers read from edits, the kernel edits' key
// filter, the custom kernels, noise, number of levels, rhombus and trapezium, and Canny; and
// every dialog of the family laid out with the real dialog font.
#include "BeepCounter.h"
#include "FakePreviewDoc.h"
#include "TestImages.h"

#include "dialogs/CNiveauxCouleursDialog.h"
#include "dialogs/ColourDialogs.h"
#include "dialogs/DialogInput.h"
#include "dialogs/DistortCannyDialogs.h"
#include "dialogs/KernelDialogs.h"
#include "dialogs/NoiseLevelDialogs.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <typeinfo>

using testdlg::BeepCounter;
using testdlg::FakePreviewDoc;
using Timeline = std::vector<std::string>;

namespace
{
const DialogBaseUnits kBase{6, 13};

void Click(const QWidget& parent, int id)
{
    auto* button = parent.findChild<QAbstractButton*>(DialogControlName(id));
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
}

void Type(QLineEdit* edit, const QString& text)
{
    ASSERT_NE(edit, nullptr);
    edit->clear();
    QTest::keyClicks(edit, text);
}
} // namespace

TEST(DialogInput, WholeNumbersReadFromAnEdit)
{
    struct Case
    {
        const char* text;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"12", 12},
        {"-7", -7},
        {" 3 ", 3},
        {"0", 0},
        {"", {}},
        {"   ", {}},
        {"-", {}},
        {"1.5", {}},
        {"1-2", {}},
        {"+4", {}},
        {"12a", {}},
        {"1 2", {}},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", {}},
        {"99999999999", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseDlgInt(QString::fromLatin1(c.text)), c.value) << '"' << c.text << '"';
}

namespace
{
class KernelDialog : public ::testing::Test
{
protected:
    FakePreviewDoc doc{testimg::Varied(20, 14, 24, 71)};
    BeepCounter beeps;

    // The nine central cells, row by row.
    static void TypeCentre(CFiltre5x5Dialog& d, const std::array<const char*, 9>& cells)
    {
        const int ids[9] = {107, 108, 109, 112, 113, 114, 117, 118, 119};
        for (int i = 0; i < 9; ++i)
            Type(d.Edit(ids[i]), QString::fromLatin1(cells[std::size_t(i)]));
    }
    static std::unique_ptr<FCEffectConvolute> Kernel(const std::vector<int>& k, int size, int divisor,
                                                     int offset)
    {
        auto e = std::make_unique<FCEffectConvolute>();
        e->SetKernel(k.data(), size, divisor, offset);
        return e;
    }
    static const std::vector<int>& Smoothing()
    {
        static const std::vector<int> k{1, 2, 1, 2, 4, 2, 1, 2, 1};
        return k;
    }
};
} // namespace

TEST_F(KernelDialog, FiveByFiveOpensOnTheIdentityAndPreviewsOnVoir)
{
    CFiltre5x5Dialog d(&doc, nullptr, &kBase);
    d.show();
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "Run"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));
    EXPECT_EQ(d.windowTitle(), "Filtre 5x5");
    EXPECT_EQ(d.Edit(1091)->text(), "1");
    EXPECT_EQ(d.Edit(1116)->text(), "0");
    for (int id = 101; id <= 125; ++id)
    {
        EXPECT_EQ(d.Edit(id)->text(), id == 113 ? "1" : "0") << id;
        EXPECT_FALSE(d.Edit(id)->isHidden()) << id;
        EXPECT_EQ(d.Edit(id)->maxLength(), 4) << id;
    }
    EXPECT_EQ(d.Edit(1116)->maxLength(), 3);

    TypeCentre(d, {"1", "2", "1", "2", "4", "2", "1", "2", "1"});
    Type(d.Edit(101), "-3");
    Type(d.Edit(1091), "16");
    Type(d.Edit(1116), "-5");
    EXPECT_EQ(doc.runs, 1); // typing previews nothing
    Click(d, 1092);
    EXPECT_EQ(doc.runs, 2);
    std::vector<int> grid(25, 0);
    const int centre[9] = {6, 7, 8, 11, 12, 13, 16, 17, 18};
    for (int i = 0; i < 9; ++i)
        grid[std::size_t(centre[i])] = Smoothing()[std::size_t(i)];
    grid[0] = -3;
    EXPECT_TRUE(doc.Shows(*Kernel(grid, 5, 16, -5)));
    EXPECT_EQ(beeps.beeps, 0);
}

TEST_F(KernelDialog, ThreeByThreeShowsNineCellsAndUsesOnlyThem)
{
    CFiltre3x3Dialog d(&doc, nullptr, &kBase);
    d.show();
    EXPECT_EQ(d.windowTitle(), "Filtre 3 x 3");
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(d.Edit(101 + i)->isHidden(), !CFiltre3x3Dialog::IsCentreCell(i)) << 101 + i;
    EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));

    TypeCentre(d, {"1", "2", "1", "2", "4", "2", "1", "2", "1"});
    d.Edit(101)->setText("50"); // a hidden cell plays no part
    Type(d.Edit(1091), "16");
    Click(d, 1092);
    EXPECT_TRUE(doc.Shows(*Kernel(Smoothing(), 3, 16, 0)));
}

TEST_F(KernelDialog, EveryFieldIsReadAndABadOneReadsZeroWithOneBeep)
{
    CFiltre5x5Dialog d(&doc, nullptr, &kBase);
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    Type(d.Edit(113), "1.5");
    Type(d.Edit(1091), ""); // the divisor emptied: the cells after it are still read
    Type(d.Edit(112), "2");
    Type(d.Edit(114), "2");
    Click(d, 1092);
    EXPECT_EQ(beeps.beeps, 1);
    EXPECT_EQ(d.Values().grid[12], 0);
    EXPECT_EQ(d.Values().grid[11], 2);
    EXPECT_EQ(d.Values().grid[13], 2);
    EXPECT_EQ(d.Values().divisor, 0);
    EXPECT_EQ(QApplication::focusWidget(), d.Edit(1091)); // the first bad field, in reading order
    std::vector<int> grid(25, 0);
    grid[11] = grid[13] = 2;
    EXPECT_TRUE(doc.Shows(*Kernel(grid, 5, 1, 0))); // divisor 0 divides by 1

    // OK takes what the fields hold now, not what "Voir" read.
    Type(d.Edit(1091), "4");
    Type(d.Edit(113), "3");
    doc.ClearTimeline();
    Click(d, 1);
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(doc.timeline, (Timeline{"End"}));
    EXPECT_EQ(beeps.beeps, 1);
    grid[12] = 3;
    auto effect = d.MakeEffect();
    EXPECT_TRUE(testimg::SamePixels(doc.Expected(*effect), doc.Expected(*Kernel(grid, 5, 4, 0))));
}

TEST_F(KernelDialog, RazShowsTheIdentityAndCancelAlsoReadsTheFields)
{
    CFiltre3x3Dialog d(&doc, nullptr, &kBase);
    d.show();
    TypeCentre(d, {"0", "0", "0", "0", "2", "0", "0", "0", "0"});
    Type(d.Edit(1116), "9");
    Click(d, 1092);
    ASSERT_FALSE(testimg::SamePixels(doc.image, doc.backup));
    doc.ClearTimeline();
    Click(d, 1052);
    EXPECT_EQ(doc.timeline, (Timeline{"Reset", "Run"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));
    EXPECT_EQ(d.Edit(113)->text(), "1");
    EXPECT_EQ(d.Edit(1091)->text(), "1");
    EXPECT_EQ(d.Edit(1116)->text(), "0");

    Type(d.Edit(1116), "x7"); // the filter keeps "7"
    EXPECT_EQ(d.Edit(1116)->text(), "7");
    doc.ClearTimeline();
    Click(d, 2);
    EXPECT_EQ(d.result(), 2);
    EXPECT_EQ(doc.timeline, (Timeline{"End"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));
    EXPECT_EQ(d.Values().offset, 7);
}

TEST_F(KernelDialog, EditFilterKeepsNumbersAndTheKeysThatCloseOrLeave)
{
    CFiltre5x5Dialog d(&doc, nullptr, &kBase);
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    QLineEdit* edit = d.Edit(107);
    edit->setMaxLength(10); // room for the whole test text
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "a1.5-x");
    EXPECT_EQ(edit->text(), "1.5-");
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_EQ(edit->text(), "1.5-");
    // Moving and deleting without typing go through.
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), "1.5");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "1.");
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Minus);
    EXPECT_EQ(edit->text(), "-1.");

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Escape})
    {
        QTest::keyClick(edit, key);
        EXPECT_TRUE(d.isVisible()) << key;
        EXPECT_EQ(d.result(), 0) << key;
        EXPECT_EQ(QApplication::focusWidget(), edit) << key;
    }
    // The divisor takes digits only, and keeps Tab and Return as usual.
    QLineEdit* divisor = d.Edit(1091);
    divisor->setFocus();
    divisor->clear();
    QTest::keyClicks(divisor, "1a-2.");
    EXPECT_EQ(divisor->text(), "12");
    QTest::keyClick(divisor, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), divisor);
}

TEST(NoiseDialog, PreviewsAtTheStartOnEveryChangeAndAfterRaz)
{
    // The noise is new at every run: the previews are checked by what they do to a flat grey,
    // how far the pixels stray (within about 4.4 x the amount) and whether B, G and R stray
    // together.
    FakePreviewDoc doc{testimg::Flat(40, 30, 24, 128, 128, 128)};
    const auto largestStep = [&]
    {
        int largest = 0;
        for (int y = 0; y < doc.image.Height(); ++y)
            for (int x = 0; x < doc.image.Width(); ++x)
                for (int c = 0; c < 3; ++c)
                    largest = std::max(largest, std::abs(doc.image.PixelAddress(x, y)[c] - 128));
        return largest;
    };
    const auto grey = [&]
    {
        for (int y = 0; y < doc.image.Height(); ++y)
            for (int x = 0; x < doc.image.Width(); ++x)
            {
                const BYTE* p = doc.image.PixelAddress(x, y);
                if (p[0] != p[1] || p[1] != p[2]) return false;
            }
        return true;
    };
    CBruiterDialog d(&doc, nullptr, &kBase);
    d.show();
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "Run"}));
    EXPECT_EQ(d.windowTitle(), "Bruiter");
    EXPECT_EQ(d.ValueLabel()->text(), "50");
    EXPECT_EQ(d.TrackBar()->minimum(), 1);
    EXPECT_EQ(d.TrackBar()->maximum(), 100);
    EXPECT_EQ(d.TrackBar()->pageStep(), 10);
    EXPECT_EQ(d.TrackBar()->tickInterval(), 100);
    EXPECT_FALSE(d.IndependentBox()->isChecked());
    EXPECT_EQ(doc.lastEffectType, typeid(FCEffectNoisify).name());
    EXPECT_TRUE(grey());
    EXPECT_GT(largestStep(), 40);

    d.TrackBar()->setValue(1);
    EXPECT_EQ(doc.runs, 2);
    EXPECT_EQ(d.ValueLabel()->text(), "1");
    EXPECT_EQ(d.Amount(), 1);
    EXPECT_LE(largestStep(), 5);
    EXPECT_GT(largestStep(), 0);

    d.TrackBar()->setValue(80);
    QTest::mouseClick(d.IndependentBox(), Qt::LeftButton);
    EXPECT_EQ(doc.runs, 4);
    EXPECT_TRUE(d.IndependentColours());
    EXPECT_FALSE(grey());
    EXPECT_GT(largestStep(), 60);

    doc.ClearTimeline();
    Click(d, 1052);
    EXPECT_EQ(doc.timeline, (Timeline{"Reset", "Run"}));
    EXPECT_EQ(d.TrackBar()->value(), 50);
    EXPECT_EQ(d.Amount(), 50);
    EXPECT_EQ(d.ValueLabel()->text(), "50");
    EXPECT_TRUE(d.IndependentBox()->isChecked()); // kept
    EXPECT_TRUE(d.IndependentColours());
    EXPECT_FALSE(grey());

    doc.ClearTimeline();
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(d.result(), 2);
    EXPECT_EQ(doc.timeline, (Timeline{"End"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));
}

TEST(LevelCountDialog, RadioButtonsPreviewTheirCount)
{
    FakePreviewDoc doc{testimg::Varied(16, 12, 24, 72)};
    CNbNiveauxDialog d(&doc, nullptr, &kBase);
    d.show();
    EXPECT_EQ(d.windowTitle(), "Nombre de Niveaux");
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "Run"}));
    EXPECT_TRUE(d.Control<QAbstractButton>(1070)->isChecked());
    EXPECT_TRUE(doc.Shows(FCEffectNbNiveaux(128)));
    // 128 levels clear the lowest bit only.
    EXPECT_EQ(doc.image.PixelAddress(3, 2)[1], doc.backup.PixelAddress(3, 2)[1] & 0xFE);

    const std::pair<int, int> buttons[] = {{1064, 2},  {1066, 4},  {1065, 8},  {1067, 16},
                                           {1068, 32}, {1069, 64}, {1070, 128}};
    for (const auto& [id, levels] : buttons)
    {
        EXPECT_EQ(d.Control<QAbstractButton>(id)->text(), QString::number(levels));
        const int runs = doc.runs;
        Click(d, id);
        EXPECT_EQ(doc.runs, runs + 1) << id;
        EXPECT_EQ(d.Levels(), levels) << id;
        EXPECT_TRUE(doc.Shows(FCEffectNbNiveaux(levels))) << id;
    }
    Click(d, 1066);
    doc.ClearTimeline();
    Click(d, 1052);
    EXPECT_EQ(doc.timeline, (Timeline{"Reset", "Run"}));
    EXPECT_EQ(d.Levels(), 128);
    EXPECT_TRUE(d.Control<QAbstractButton>(1070)->isChecked());
    EXPECT_FALSE(d.Control<QAbstractButton>(1066)->isChecked());
    EXPECT_TRUE(doc.Shows(FCEffectNbNiveaux(128)));

    Click(d, 1065);
    Click(d, 1);
    EXPECT_EQ(d.result(), 1);
    EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));
    EXPECT_TRUE(testimg::SamePixels(doc.Expected(*d.MakeEffect()), doc.Expected(FCEffectNbNiveaux(8))));
}

TEST(DistortDialog, TextsDirectionsAndRaz)
{
    struct Use
    {
        DistortDialogTexts texts;
        const char *title, *row1, *row2;
    };
    const Use uses[] = {
        {LosangeDialogTexts(), "Déformation en losange", "Décalage côté bas", "Décalage côté droit"},
        {TrapezeDialogTexts(), "Déformation en trapèze", "Gain en hauteur", "Gain en largeur"},
    };
    for (const Use& u : uses)
    {
        CLosangetrapezedialog d(u.texts, nullptr, &kBase);
        d.show();
        EXPECT_EQ(d.windowTitle(), QString::fromUtf8(u.title));
        EXPECT_EQ(d.Controls().Get<QLabel>(1074)->text(), QString::fromUtf8(u.row1));
        EXPECT_EQ(d.Controls().Get<QLabel>(1075)->text(), QString::fromUtf8(u.row2));
    }

    CLosangetrapezedialog d(LosangeDialogTexts(), nullptr, &kBase);
    d.show();
    auto* row1 = d.Controls().Get<QLineEdit>(1072);
    auto* row2 = d.Controls().Get<QLineEdit>(1073);
    EXPECT_EQ(row1->text(), "0");
    EXPECT_EQ(row2->text(), "0");
    EXPECT_EQ(row1->maxLength(), 5);
    const auto checked = [&](int id) { return d.Controls().Get<QAbstractButton>(id)->isChecked(); };
    EXPECT_TRUE(checked(1068));
    EXPECT_FALSE(checked(1069));
    EXPECT_TRUE(checked(1070));
    EXPECT_FALSE(checked(1071));

    Click(d, 1069);
    Click(d, 1071);
    EXPECT_FALSE(d.Values().left);
    EXPECT_FALSE(d.Values().up);
    EXPECT_TRUE(checked(1069));
    EXPECT_FALSE(checked(1068));
    EXPECT_TRUE(checked(1071));
    Click(d, 1068);
    EXPECT_TRUE(d.Values().left);
    EXPECT_FALSE(d.Values().up);
    Type(row1, "12-x34567");
    EXPECT_EQ(row1->text(), "12345"); // digits only, five at most
    Type(row2, "77");

    Click(d, 1052);
    EXPECT_EQ(row1->text(), "0");
    EXPECT_EQ(row2->text(), "0");
    EXPECT_TRUE(d.Values().left);
    EXPECT_TRUE(d.Values().up);
    EXPECT_TRUE(checked(1068));
    EXPECT_TRUE(checked(1070));
    EXPECT_FALSE(checked(1071));
}

TEST(DistortDialog, BothRowsAreReadEvenWithOneEmpty)
{
    BeepCounter beeps;
    {
        CLosangetrapezedialog d(TrapezeDialogTexts(), nullptr, &kBase);
        d.show();
        Type(d.Controls().Get<QLineEdit>(1072), "40");
        d.Controls().Get<QLineEdit>(1073)->clear();
        Click(d, 1071);
        Click(d, 1);
        EXPECT_EQ(d.result(), 1);
        EXPECT_EQ(beeps.beeps, 1);
        EXPECT_EQ(d.Values().row1, 40);
        EXPECT_EQ(d.Values().row2, 0);
        EXPECT_FALSE(d.Values().up);
    }
    {
        CLosangetrapezedialog d(LosangeDialogTexts(), nullptr, &kBase);
        d.show();
        d.Controls().Get<QLineEdit>(1072)->clear();
        d.Controls().Get<QLineEdit>(1073)->clear();
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_EQ(d.result(), 2);
        EXPECT_EQ(beeps.beeps, 2); // one beep for the two empty rows
        d.show();
        Type(d.Controls().Get<QLineEdit>(1072), "5");
        Type(d.Controls().Get<QLineEdit>(1073), "6");
        Click(d, 1);
        EXPECT_EQ(beeps.beeps, 2);
        EXPECT_EQ(d.Values().row1, 5);
        EXPECT_EQ(d.Values().row2, 6);
    }
}

TEST(CannyDialog, OpensWithOnlyTheSuppressionAndStoresTheBoxesOnEitherButton)
{
    {
        CCannydialog d(nullptr, &kBase);
        d.show();
        EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Opérateur de Canny"));
        EXPECT_FALSE(d.Controls().Get<QCheckBox>(1076)->isChecked());
        EXPECT_TRUE(d.Controls().Get<QCheckBox>(1077)->isChecked());
        Click(d, 1);
        EXPECT_EQ(d.result(), 1);
        EXPECT_FALSE(d.Gauss5x5());
        EXPECT_TRUE(d.RemoveNonMaxima());
    }
    {
        CCannydialog d(nullptr, &kBase);
        d.show();
        Click(d, 1076);
        Click(d, 1077);
        Click(d, 2);
        EXPECT_EQ(d.result(), 2);
        EXPECT_TRUE(d.Gauss5x5());
        EXPECT_FALSE(d.RemoveNonMaxima());
    }
}

namespace
{
// Whether every text of the dialog fits its control and no two controls overlap (frames apart).
void ExpectTextsFitAndNothingOverlaps(QDialog& d)
{
    d.show();
    std::vector<QWidget*> placed;
    for (QWidget* w : d.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    {
        if (!w->objectName().startsWith("ctl") && !qobject_cast<QLabel*>(w)) continue;
        if (w->isHidden() || qobject_cast<QGroupBox*>(w)) continue;
        const QRect r = w->geometry();
        EXPECT_LE(r.right(), d.width() - 1) << w->objectName().toStdString();
        EXPECT_LE(r.bottom(), d.height() - 1) << w->objectName().toStdString();
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w) || qobject_cast<QLabel*>(w) ||
            qobject_cast<QPushButton*>(w))
        {
            EXPECT_GE(r.width(), w->sizeHint().width() - (qobject_cast<QPushButton*>(w) ? 20 : 0))
                << d.windowTitle().toStdString() << ": " << w->objectName().toStdString() << " \""
                << w->property("text").toString().toStdString() << "\"";
        }
        for (QWidget* other : placed)
            EXPECT_FALSE(r.intersects(other->geometry()))
                << w->objectName().toStdString() << " over " << other->objectName().toStdString();
        placed.push_back(w);
    }
}
} // namespace

TEST(EffectDialogLayout, TextsFitWithTheDialogFont)
{
    FakePreviewDoc doc;
    {
        CBalanceCouleursDialog d(&doc);
        ExpectTextsFitAndNothingOverlaps(d);
    }
    {
        CNiveauxCouleursDialog d(&doc, doc.image);
        ExpectTextsFitAndNothingOverlaps(d);
    }
    {
        CBruiterDialog d(&doc);
        ExpectTextsFitAndNothingOverlaps(d);
    }
    {
        CNbNiveauxDialog d(&doc);
        ExpectTextsFitAndNothingOverlaps(d);
    }
    {
        CFiltre5x5Dialog d(&doc);
        ExpectTextsFitAndNothingOverlaps(d);
    }
    {
        CLosangetrapezedialog d(LosangeDialogTexts());
        ExpectTextsFitAndNothingOverlaps(d);
    }
    {
        CCannydialog d;
        ExpectTextsFitAndNothingOverlaps(d);
    }
}
