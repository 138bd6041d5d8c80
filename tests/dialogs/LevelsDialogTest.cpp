// The colour levels dialog: the strips' arithmetic (positions, hit tests, dragging rules), the
// histograms, and the dialog driven with the mouse on its strips and with its channel list.
#include "FakePreviewDoc.h"
#include "TestImages.h"

#include "dialogs/CNiveauxCouleursDialog.h"
#include "imagelib/effects/HistogramEffects.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using testdlg::FakePreviewDoc;
using Timeline = std::vector<std::string>;
using namespace levels;

namespace
{
// A strip 188 dialog units wide at base unit 6: 282 pixels, scale from 8 to 274.
constexpr int kLeft = 0, kRight = 282;
const DialogBaseUnits kBase{6, 13};
} // namespace

TEST(LevelStrips, PositionsAndLevelsUnderThePointer)
{
    EXPECT_EQ(ArrowX(0, kLeft, kRight), 8);
    EXPECT_EQ(ArrowX(255, kLeft, kRight), 274);
    EXPECT_EQ(ArrowX(128, kLeft, kRight), 141);
    const std::pair<int, int> under[] = {{141, 127}, {8, 0},     {-40, 0}, {0, 0},
                                         {274, 255}, {400, 255}, {9, 0},   {10, 1}};
    for (const auto& [x, level] : under)
        EXPECT_EQ(LevelUnderX(x, kLeft, kRight), level) << x;
    // A strip whose scale is empty (16 pixels) divides by 1, not 0.
    EXPECT_EQ(ArrowX(200, 0, 16), 8);
    EXPECT_EQ(LevelUnderX(8, 0, 16), 0);
    EXPECT_EQ(LevelUnderX(9, 0, 16), 255);
    // The scale follows the strip's left edge.
    EXPECT_EQ(ArrowX(0, 100, 382), 108);
    EXPECT_EQ(LevelUnderX(241, 100, 382), 127);
}

TEST(LevelStrips, GammaArrowPositionAndGammaUnderThePointer)
{
    EXPECT_EQ(GammaX(8, 274, 100), 141);
    EXPECT_EQ(GammaX(8, 274, 10), 274);
    EXPECT_EQ(GammaX(8, 274, 1000), 8);
    EXPECT_EQ(GammaX(8, 274, 999), 8);

    const std::pair<int, int> cases[] = {{8, 999}, {-100, 999}, {274, 10}, {500, 10}, {141, 100}};
    for (const auto& [x, gamma] : cases)
        EXPECT_EQ(GammaUnderX(x, 8, 274), gamma) << x;
    // Black and white on one pixel: a half distance of 0.5.
    EXPECT_EQ(GammaUnderX(50, 50, 50), 999);
    EXPECT_EQ(GammaUnderX(51, 50, 50), 10);
    EXPECT_EQ(GammaUnderX(-1000000, 50, 50), 999);

    EXPECT_EQ(CNiveauxCouleursDialog::GammaText(999), "gamma 9.99");
    EXPECT_EQ(CNiveauxCouleursDialog::GammaText(10), "gamma 0.10");
    EXPECT_EQ(CNiveauxCouleursDialog::GammaText(100), "gamma 1.00");
    // A decimal point under a French locale too, when one is installed.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR"))
    {
        EXPECT_EQ(CNiveauxCouleursDialog::GammaText(137), "gamma 1.37");
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(LevelStrips, WhichArrowAClickTakes)
{
    struct Case
    {
        int x, pb, pw, pg, arrow;
    };
    const Case input[] = {
        {141, 8, 274, 141, kGamma},  // on the gamma arrow
        {50, 40, 200, 60, kGamma},   // as near the gamma arrow as the black one
        {150, 0, 160, 140, kGamma},  // as near the gamma arrow as the white one
        {100, 90, 110, 130, kBlack}, // black and white tie, gamma farther
        {105, 90, 110, 130, kWhite}, {95, 90, 110, 130, kBlack},
        {300, 8, 274, 141, kWhite},  {-20, 8, 274, 141, kBlack},
    };
    for (const Case& c : input)
        EXPECT_EQ(InputHitTest(c.x, c.pb, c.pw, c.pg), c.arrow)
            << c.x << " " << c.pb << " " << c.pw << " " << c.pg;
    const Case output[] = {
        {141, 8, 274, 0, kBlack},                                                       // a tie goes to black
        {142, 8, 274, 0, kWhite},   {140, 8, 274, 0, kBlack}, {60, 200, 50, 0, kWhite}, // crossed arrows
        {216, 216, 216, 0, kBlack},
    };
    for (const Case& c : output)
        EXPECT_EQ(OutputHitTest(c.x, c.pb, c.pw), c.arrow) << c.x << " " << c.pb << " " << c.pw;
}

TEST(LevelStrips, DraggingRules)
{
    struct Case
    {
        InputLevels before;
        int arrow, x;
        InputLevels after;
        bool changed;
    };
    const Case input[] = {
        {{0, 200, 100}, kBlack, 274, {195, 200, 100}, true}, // past white: stops 5 below
        {{60, 255, 100}, kWhite, 0, {60, 65, 100}, true},    // past black: stops 5 above
        {{0, 255, 100}, kBlack, 141, {127, 255, 100}, true},
        {{0, 255, 100}, kBlack, 8, {0, 255, 100}, false}, // the same level
        {{0, 255, 100}, kGamma, 8, {0, 255, 999}, true},
        {{0, 255, 100}, kGamma, 274, {0, 255, 10}, true},
        {{0, 255, 250}, kGamma, 141, {0, 255, 100}, true},
        {{0, 255, 100}, kGamma, 141, {0, 255, 100}, false},
        {{0, 5, 100}, kBlack, 200, {0, 5, 100}, false}, // no room below white
        {{250, 255, 100}, kWhite, 0, {250, 255, 100}, false},
    };
    for (const Case& c : input)
    {
        InputLevels l = c.before;
        EXPECT_EQ(MoveInputArrow(l, c.arrow, c.x, kLeft, kRight), c.changed) << c.arrow << " to " << c.x;
        EXPECT_EQ(l, c.after) << c.arrow << " to " << c.x;
    }

    OutputLevels out;
    EXPECT_TRUE(MoveOutputArrow(out, kBlack, 217, kLeft, kRight));
    EXPECT_EQ(out, (OutputLevels{200, 255}));
    EXPECT_TRUE(MoveOutputArrow(out, kWhite, 61, kLeft, kRight)); // white may pass black
    EXPECT_EQ(out, (OutputLevels{200, 50}));
    EXPECT_FALSE(MoveOutputArrow(out, kWhite, 61, kLeft, kRight));
}

namespace
{
struct Bgr
{
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};
void PrintTo(const Bgr& c, std::ostream* os)
{
    *os << "(B " << c.b << ", G " << c.g << ", R " << c.r << ")";
}
Bgr At(const FCObjImage& image, int x, int y)
{
    const BYTE* p = image.PixelAddress(x, y);
    return {p[0], p[1], p[2]};
}
// The height of the bar of column x: the rows from the bottom that are not white.
int BarHeight(const FCObjImage& image, int x)
{
    int h = 0;
    while (h < image.Height() && !(At(image, x, image.Height() - 1 - h) == Bgr{255, 255, 255}))
        ++h;
    for (int y = 0; y < image.Height() - h; ++y)
        EXPECT_EQ(At(image, x, y), (Bgr{255, 255, 255})) << "above the bar at " << x << ", " << y;
    return h;
}
void ExpectAllWhite(const Histograms& h)
{
    for (const FCObjImage& image : h)
    {
        ASSERT_EQ(image.Width(), 256);
        ASSERT_EQ(image.Height(), 100);
        ASSERT_EQ(image.ColorBits(), 24);
        for (int x = 0; x < 256; ++x)
            EXPECT_EQ(BarHeight(image, x), 0) << x;
    }
}
} // namespace

TEST(LevelHistograms, BarsShareOneScaleAndRiseFromTheBottom)
{
    FCObjImage image = testimg::Flat(2, 1, 24, 0, 0, 0);
    image.PixelAddress(1, 0)[2] = 255; // (B, G, R) = (0, 0, 0) and (0, 0, 255)
    const Histograms h = BuildHistograms(image);
    // Largest bin 2: blue and green at 0 are full, red at 0 and at 255 half.
    EXPECT_EQ(BarHeight(h[3], 0), 100);
    EXPECT_EQ(BarHeight(h[2], 0), 100);
    EXPECT_EQ(BarHeight(h[1], 0), 50);
    EXPECT_EQ(BarHeight(h[1], 255), 50);
    EXPECT_EQ(BarHeight(h[0], 0), 100);
    EXPECT_EQ(BarHeight(h[0], 255), 50);
    EXPECT_EQ(At(h[3], 0, 99), (Bgr{255, 0, 0}));
    EXPECT_EQ(At(h[2], 0, 0), (Bgr{0, 255, 0}));
    EXPECT_EQ(At(h[1], 255, 99), (Bgr{0, 0, 255}));
    EXPECT_EQ(At(h[0], 255, 50), (Bgr{0, 0, 0}));
    for (int x = 1; x < 255; ++x)
        for (const FCObjImage& picture : h)
            EXPECT_EQ(BarHeight(picture, x), 0) << x;
    EXPECT_EQ(BarHeight(h[3], 255), 0);
    EXPECT_EQ(BarHeight(h[2], 255), 0);
}

TEST(LevelHistograms, NothingToCountGivesWhite)
{
    ExpectAllWhite(BuildHistograms(FCObjImage()));
    ExpectAllWhite(BuildHistograms(testimg::Indexed(8, 8, 0, RGBQUAD{10, 20, 30, 0})));
}

TEST(LevelHistograms, ABinBeyondTwoBillionOverAHundredStillGivesAFullBar)
{
    // 21,620,000 pixels of one colour: the count times 100 does not fit in 32 bits.
    FCObjImage image;
    ASSERT_TRUE(image.Create(4700, 4600, 24)); // black
    image.PixelAddress(0, 0)[1] = 128;
    const Histograms h = BuildHistograms(image);
    EXPECT_EQ(BarHeight(h[3], 0), 100);
    EXPECT_EQ(BarHeight(h[1], 0), 100);
    EXPECT_EQ(BarHeight(h[2], 0), 99); // one pixel less than the others
    EXPECT_EQ(BarHeight(h[2], 128), 0);
}

namespace
{
class LevelsDialog : public ::testing::Test
{
protected:
    FakePreviewDoc doc{testimg::Varied(24, 16, 24, 61)};
    CNiveauxCouleursDialog d{&doc, doc.image, nullptr, &kBase};

    static void Send(QWidget* strip, QEvent::Type type, int x, Qt::MouseButtons held)
    {
        const QPointF p(x, 5);
        QMouseEvent e(type, p, strip->mapToGlobal(p),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(strip, &e);
    }
    static void Press(QWidget* strip, int x) { Send(strip, QEvent::MouseButtonPress, x, Qt::LeftButton); }
    static void Move(QWidget* strip, int x) { Send(strip, QEvent::MouseMove, x, Qt::LeftButton); }
    static void Release(QWidget* strip, int x) { Send(strip, QEvent::MouseButtonRelease, x, Qt::NoButton); }

    bool Shows(int inBlack, int inWhite, int outBlack, int outWhite, int gamma, int mask)
    {
        return doc.Shows(FCEffectColorLevel(inBlack, inWhite, outBlack, outWhite, gamma * 0.01, mask));
    }
};
} // namespace

TEST_F(LevelsDialog, OpensWithoutAPreview)
{
    d.show();
    EXPECT_EQ(doc.timeline, (Timeline{"Begin"}));
    EXPECT_EQ(d.windowTitle(), "Niveaux de couleurs");
    ASSERT_NE(d.ChannelList(), nullptr);
    ASSERT_EQ(d.ChannelList()->count(), 4);
    EXPECT_EQ(d.ChannelList()->itemText(0), "RVB");
    EXPECT_EQ(d.ChannelList()->itemText(1), "Rouge");
    EXPECT_EQ(d.ChannelList()->itemText(2), "Vert");
    EXPECT_EQ(d.ChannelList()->itemText(3), "Bleu");
    EXPECT_EQ(d.ChannelList()->currentIndex(), 0);
    ASSERT_NE(d.InputStrip(), nullptr);
    EXPECT_EQ(d.InputStrip()->width(), kRight);
    EXPECT_EQ(d.OutputStrip()->width(), kRight);
    const ColorLevelValues v = d.Values();
    EXPECT_EQ(v.inBlack, 0);
    EXPECT_EQ(v.inWhite, 255);
    EXPECT_EQ(v.gammaHundredths, 100);
    EXPECT_EQ(v.channelMask, 7);
}

TEST_F(LevelsDialog, DraggingAnInputArrowPreviewsOncePerNewLevel)
{
    d.show();
    QWidget* strip = d.InputStrip();
    Press(strip, 8); // on the black arrow: no new level
    EXPECT_EQ(doc.runs, 0);
    Move(strip, 20);
    EXPECT_EQ(doc.runs, 1);
    EXPECT_TRUE(Shows(11, 255, 0, 255, 100, 7));
    Move(strip, 20);
    Move(strip, 21); // one pixel further: level 12
    EXPECT_EQ(doc.runs, 2);
    EXPECT_TRUE(Shows(12, 255, 0, 255, 100, 7));
    Move(strip, 400); // stops 5 below white
    Release(strip, 400);
    EXPECT_EQ(doc.runs, 3);
    EXPECT_EQ(d.Values().inBlack, 250);
    EXPECT_TRUE(Shows(250, 255, 0, 255, 100, 7));
    Move(strip, 100); // the button is up: nothing follows
    EXPECT_EQ(doc.runs, 3);

    // The gamma arrow, now between 250 and 255, dragged onto the black one.
    Press(strip, 0);
    EXPECT_EQ(d.Values().inBlack, 0); // a click far left takes black back to 0
    Release(strip, 0);
    const int runs = doc.runs;
    Press(strip, 141); // the gamma arrow at the midpoint
    Move(strip, 8);
    Release(strip, 8);
    EXPECT_EQ(doc.runs, runs + 1);
    EXPECT_EQ(d.Values().gammaHundredths, 999);
    EXPECT_TRUE(Shows(0, 255, 0, 255, 999, 7));
}

TEST_F(LevelsDialog, OutputArrowsMayCross)
{
    d.show();
    QWidget* strip = d.OutputStrip();
    Press(strip, 10);
    Move(strip, 217);
    Release(strip, 217);
    Press(strip, 274);
    Move(strip, 61);
    Release(strip, 61);
    const ColorLevelValues v = d.Values();
    EXPECT_EQ(v.outBlack, 200);
    EXPECT_EQ(v.outWhite, 50);
    EXPECT_TRUE(Shows(0, 255, 200, 50, 100, 7));
}

TEST_F(LevelsDialog, ChoosingAChannelRepaintsBothStripsAndPreviews)
{
    d.show();
    QComboBox* combo = d.ChannelList();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(d.Channel(), 2);
    EXPECT_EQ(d.Values().channelMask, 2);
    EXPECT_EQ(doc.runs, 2);
    EXPECT_TRUE(Shows(0, 255, 0, 255, 100, 2));

    // The input strip shows the green histogram, the output gradient ends in green.
    const QImage input = d.InputStrip()->grab().toImage();
    bool green = false, otherColour = false;
    for (int y = 2; y < input.height() - 40; ++y)
        for (int x = 8; x < input.width() - 8; ++x)
        {
            const QColor c = input.pixelColor(x, y);
            green = green || c == QColor(0, 255, 0);
            otherColour =
                otherColour || c == QColor(255, 0, 0) || c == QColor(0, 0, 255) || c == QColor(0, 0, 0);
        }
    EXPECT_TRUE(green);
    EXPECT_FALSE(otherColour);
    const QImage output = d.OutputStrip()->grab().toImage();
    const QColor end = output.pixelColor(output.width() - 9, 8);
    EXPECT_GT(end.green(), 235);
    EXPECT_LT(end.red(), 10);
    EXPECT_LT(end.blue(), 10);
    EXPECT_LT(output.pixelColor(9, 8).green(), 20);
}

TEST_F(LevelsDialog, RazBringsEverythingBackWithoutAPreview)
{
    d.show();
    QTest::keyClick(d.ChannelList(), Qt::Key_Down);
    Press(d.InputStrip(), 141);
    Move(d.InputStrip(), 60);
    Release(d.InputStrip(), 60);
    Press(d.OutputStrip(), 100);
    Release(d.OutputStrip(), 100);
    doc.ClearTimeline();
    QTest::mouseClick(d.Controls().Get<QPushButton>(1052), Qt::LeftButton);
    EXPECT_EQ(doc.timeline, (Timeline{"Reset"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, doc.backup));
    EXPECT_EQ(d.ChannelList()->currentIndex(), 0);
    const ColorLevelValues v = d.Values();
    EXPECT_EQ(v.inBlack, 0);
    EXPECT_EQ(v.inWhite, 255);
    EXPECT_EQ(v.gammaHundredths, 100);
    EXPECT_EQ(v.outBlack, 0);
    EXPECT_EQ(v.outWhite, 255);
    EXPECT_EQ(v.channelMask, 7);
}

TEST_F(LevelsDialog, WaysOutRestoreThePicture)
{
    const FCObjImage original = doc.image;
    d.show();
    Press(d.InputStrip(), 274);
    Move(d.InputStrip(), 200);
    Release(d.InputStrip(), 200);
    ASSERT_FALSE(testimg::SamePixels(doc.image, original));
    doc.ClearTimeline();
    QTest::mouseClick(d.Controls().Get<QPushButton>(1), Qt::LeftButton);
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(doc.timeline, (Timeline{"End"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, original));
    // A drag after the end previews nothing.
    Press(d.InputStrip(), 0);
    EXPECT_EQ(doc.timeline, (Timeline{"End"}));
    const int white = LevelUnderX(200, kLeft, kRight);
    auto effect = d.MakeEffect();
    EXPECT_TRUE(testimg::SamePixels(doc.Expected(*effect),
                                    doc.Expected(FCEffectColorLevel(0, white, 0, 255, 1.0, 7))));

    FakePreviewDoc other{testimg::Varied(24, 16, 24, 62)};
    const FCObjImage before = other.image;
    CNiveauxCouleursDialog cancelled(&other, other.image, nullptr, &kBase);
    cancelled.show();
    QTest::keyClick(cancelled.ChannelList(), Qt::Key_Down);
    QTest::mouseClick(cancelled.Controls().Get<QPushButton>(2), Qt::LeftButton);
    EXPECT_EQ(cancelled.result(), 2);
    EXPECT_TRUE(testimg::SamePixels(other.image, before));
}
