// The runners of the image menu's own dialogs, run modally over a real document as the main frame
// runs them: each command's dialog, driven as a user would, gives on OK the effect of the values
// entered and nothing otherwise, and leaves the picture as it was for the caller to apply it.
#include "BeepCounter.h"
#include "TestImages.h"
#include "tests/document/FakeHost.h"

#include "dialogs/CNiveauxCouleursDialog.h"
#include "dialogs/ColourDialogs.h"
#include "dialogs/DistortCannyDialogs.h"
#include "dialogs/KernelDialogs.h"
#include "dialogs/NoiseLevelDialogs.h"
#include "dialogs/DedicatedDialogs.h"
#include "document/ImageCommands.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ContourEffects.h"
#include "imagelib/effects/ConvolutionEffects.h"
#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/HistogramEffects.h"
#include "resources/CommandIds.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <typeinfo>

using Effect = std::unique_ptr<FCImageEffect>;

namespace
{
struct RunnerDoc
{
    RunnerDoc()
    {
        qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
        testdoc::ResetSettings();
        host.activeView = &view;
        FCObjImage picture = testimg::Varied(48, 36, 24, 505);
        doc.InitFromImage(picture);
        original = doc.GetImage();
        RegisterEffectDialogs(DedicatedDialogEntries());
    }
    ~RunnerDoc() { qputenv("XDG_CONFIG_HOME", previous); }

    Effect Run(int command, const std::function<void(QDialog&)>& drive)
    {
        QTimer::singleShot(0,
                           [&]
                           {
                               auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                               ASSERT_NE(d, nullptr);
                               drive(*d);
                           });
        return RunEffectDialog(doc, command, nullptr);
    }
    FCObjImage Applied(FCImageEffect& effect) const
    {
        FCObjImage out = original;
        FCObjImage::ApplyEffect(out, effect, nullptr);
        return out;
    }

    QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir settings;
    testdoc::FakeHost host;
    testdoc::CountingView view;
    CImageDoc doc{&view, host};
    FCObjImage original;
};

void Press(QWidget* button)
{
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(static_cast<QAbstractButton*>(button), Qt::LeftButton);
}

void Drag(QWidget* strip, int from, int to)
{
    for (const auto& [type, x] : {std::pair{QEvent::MouseButtonPress, from}, std::pair{QEvent::MouseMove, to},
                                  std::pair{QEvent::MouseButtonRelease, to}})
    {
        const QPointF p(x, 5);
        QMouseEvent e(type, p, strip->mapToGlobal(p),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(strip, &e);
    }
}

template <class D> D& As(QDialog& d)
{
    auto* dialog = dynamic_cast<D*>(&d);
    EXPECT_NE(dialog, nullptr) << typeid(D).name();
    return *dialog;
}

QWidget* Child(QDialog& d, int id)
{
    return d.findChild<QWidget*>(DialogControlName(id));
}

void TypeInto(QDialog& d, int id, const char* text)
{
    auto* edit = qobject_cast<QLineEdit*>(Child(d, id));
    ASSERT_NE(edit, nullptr) << id;
    edit->clear();
    QTest::keyClicks(edit, QString::fromLatin1(text));
}

// The width of the levels dialog's input strip, as the runner laid it out.
int g_levelsStripWidth = 0;

struct Row
{
    int command;
    std::function<void(QDialog&)> drive; // ends with OK
    std::function<Effect()> expected;    // null: compared by kind only (random noise)
};

template <class E, class... A> std::function<Effect()> Expect(A... a)
{
    return [=] { return Effect(std::make_unique<E>(a...)); };
}

const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = {
        {kCmdColorSaturation,
         [](QDialog& d)
         {
             As<CCouleurSaturationDialog>(d).TrackBar(1)->setValue(200);
             Press(Child(d, 1));
         },
         Expect<FCEffectColorToneIntParam>(200, 160)},
        {kCmdSoftGlow,
         [](QDialog& d)
         {
             As<CCouleursBrillanceDialog>(d).TrackBar(2)->setValue(30);
             Press(Child(d, 1));
         },
         Expect<FCEffectSoftGlow>(10, 30, 0)},
        {kCmdSoftPortrait,
         [](QDialog& d)
         {
             As<CCouleursPortraitAdoucisDialog>(d).TrackBar(3)->setValue(4);
             Press(Child(d, 1));
         },
         Expect<FCEffectSoftPortrait>(5, 0, 4)},
        {kCmdColorBalance,
         [](QDialog& d)
         {
             auto& b = As<CBalanceCouleursDialog>(d);
             b.TrackBar(1)->setValue(40);
             b.TrackBar(3)->setValue(-15);
             Press(Child(d, 1054));
             Press(Child(d, 1));
         },
         Expect<FCEffectColorBalance>(true, 0, 40, 0, -15)},
        {kCmdColorLevels,
         [](QDialog& d)
         {
             auto& l = As<CNiveauxCouleursDialog>(d);
             g_levelsStripWidth = l.InputStrip()->width();
             const int white = levels::ArrowX(255, 0, g_levelsStripWidth);
             Drag(l.InputStrip(), white, white - 60);
             QTest::keyClick(l.ChannelList(), Qt::Key_Down);
             Press(Child(d, 1));
         },
         [] { return Effect(); }},
        {kCmdNoisify,
         [](QDialog& d)
         {
             As<CBruiterDialog>(d).TrackBar()->setValue(20);
             Press(Child(d, 1));
         },
         nullptr},
        {kCmdNbNiveaux,
         [](QDialog& d)
         {
             Press(Child(d, 1066));
             Press(Child(d, 1));
         },
         Expect<FCEffectNbNiveaux>(4)},
        {kCmdLosange,
         [](QDialog& d)
         {
             TypeInto(d, 1072, "10");
             TypeInto(d, 1073, "4");
             Press(Child(d, 1071));
             Press(Child(d, 1));
         },
         Expect<FCEffectLosange>(-10, 4)},
        {kCmdTrapeze,
         [](QDialog& d)
         {
             TypeInto(d, 1072, "10");
             TypeInto(d, 1073, "4");
             Press(Child(d, 1069));
             Press(Child(d, 1));
         },
         Expect<FCEffectTrapeze>(4, -10)},
        {kCmdCanny,
         [](QDialog& d)
         {
             Press(Child(d, 1076));
             Press(Child(d, 1));
         },
         Expect<FCEffectContoursCanny>(true, true)},
        {kCmdFilter5x5,
         [](QDialog& d)
         {
             TypeInto(d, 101, "3");
             TypeInto(d, 125, "-1");
             TypeInto(d, 1091, "2");
             Press(Child(d, 1));
         },
         []
         {
             auto e = std::make_unique<FCEffectConvolute>();
             int k[25] = {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1};
             e->SetKernel(k, 5, 2, 0);
             return Effect(std::move(e));
         }},
        {kCmdFilter3x3,
         [](QDialog& d)
         {
             TypeInto(d, 107, "-1");
             TypeInto(d, 113, "9");
             TypeInto(d, 1091, "0");
             TypeInto(d, 1116, "12");
             Press(Child(d, 1));
         },
         []
         {
             auto e = std::make_unique<FCEffectConvolute>();
             const int k[9] = {-1, 0, 0, 0, 9, 0, 0, 0, 0};
             e->SetKernel(k, 3, 1, 12);
             return Effect(std::move(e));
         }},
    };
    return rows;
}
} // namespace

TEST(DedicatedDialogFamily, EveryRowOfItsKindHasOneRunner)
{
    std::set<int> commands;
    for (const EffectDialogEntry& e : DedicatedDialogEntries())
    {
        EXPECT_TRUE(commands.insert(e.command).second) << e.command;
        EXPECT_NE(e.run, nullptr);
        const ImageCommand* row = FindImageCommand(e.command);
        ASSERT_NE(row, nullptr) << e.command;
        EXPECT_TRUE(IsEffectDialogKind(row->kind)) << e.command;
    }
    std::set<int> rows;
    for (const Row& r : Rows())
        rows.insert(r.command);
    EXPECT_EQ(commands, rows);
}

TEST(DedicatedDialogFamily, OkGivesTheEffectOfTheValuesEnteredAndLeavesThePictureAsItWas)
{
    testdlg::BeepCounter beeps;
    RunnerDoc r;
    for (const Row& row : Rows())
    {
        SCOPED_TRACE(row.command);
        Effect effect = r.Run(row.command, row.drive);
        ASSERT_TRUE(effect);
        EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), r.original));
        EXPECT_FALSE(r.doc.HasPreviewJob());
        if (!row.expected)
        {
            EXPECT_EQ(typeid(*effect), typeid(FCEffectNoisify));
            EXPECT_FALSE(testimg::SamePixels(r.Applied(*effect), r.original));
            continue;
        }
        Effect expected = row.expected();
        if (!expected) // the levels: what the dragged arrow gave
        {
            const int width = g_levelsStripWidth;
            const int white = levels::LevelUnderX(levels::ArrowX(255, 0, width) - 60, 0, width);
            expected = std::make_unique<FCEffectColorLevel>(0, white, 0, 255, 1.0, 1);
        }
        EXPECT_TRUE(testimg::SamePixels(r.Applied(*effect), r.Applied(*expected)));
        EXPECT_FALSE(testimg::SamePixels(r.Applied(*effect), r.original));
    }
    EXPECT_EQ(beeps.beeps, 0);
}

TEST(DedicatedDialogFamily, CancelAndEscapeGiveNothing)
{
    RunnerDoc r;
    for (const Row& row : Rows())
    {
        SCOPED_TRACE(row.command);
        const bool escape = row.command % 2 == 0;
        Effect none = r.Run(row.command,
                            [&](QDialog& d)
                            {
                                if (escape)
                                    QTest::keyClick(&d, Qt::Key_Escape);
                                else
                                    Press(Child(d, 2));
                            });
        EXPECT_FALSE(none);
        EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), r.original));
        EXPECT_FALSE(r.doc.HasPreviewJob());
    }
}

// A picture of a depth the effects refuse (8 bits, as a palette picture held by a document): every
// command of the family, driven to OK from its menu command, tells the user in French and leaves
// the document as it was.
TEST(DedicatedDialogFamily, ARefusedDepthGetsTheMessageAndLeavesTheDocument)
{
    RunnerDoc r;
    FCObjImage indexed = testimg::Varied(48, 36, 8, 77);
    r.doc.InitFromImage(indexed);
    r.original = r.doc.GetImage();
    ASSERT_EQ(r.original.ColorBits(), 8);
    for (const Row& row : Rows())
    {
        SCOPED_TRACE(row.command);
        r.host.messages.clear();
        r.host.onDialog = [&](CImageDoc& doc, int command)
        {
            QTimer::singleShot(0,
                               [&]
                               {
                                   auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                                   ASSERT_NE(d, nullptr);
                                   row.drive(*d);
                               });
            r.host.dialogAnswers.push_back(RunEffectDialog(doc, command, nullptr));
        };
        r.doc.OnCommand(row.command);
        ASSERT_EQ(r.host.messages.size(), 1u);
        EXPECT_EQ(r.host.messages[0].text, L"Format d'image non supporté");
        EXPECT_TRUE(testimg::SamePixels(r.doc.GetImage(), r.original));
        EXPECT_FALSE(r.doc.HasPreviewJob());
        EXPECT_FALSE(r.doc.CanUndo());
    }
}
