// The live-preview base (one backup, one end, nothing after the end) and the trackbar: its page
// size and tick spacing, and its painting order (ticks, the owner's channel, the thumb on top).
#include "FakePreviewDoc.h"

#include "dialogs/CPreviewDialog.h"
#include "dialogs/CTrackBar.h"
#include "imagelib/effects/ColorEffects.h"

#include <QImage>
#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

using testdlg::FakePreviewDoc;

namespace
{
using Timeline = std::vector<std::string>;

// Tells when it is destroyed.
class WatchedEffect : public FCEffectInvert
{
public:
    explicit WatchedEffect(bool* destroyed) : m_destroyed(destroyed) {}
    ~WatchedEffect() override { *m_destroyed = true; }

private:
    bool* m_destroyed;
};
} // namespace

TEST(PreviewDialog, OpensOnceAndEndsOnceWhateverEndsIt)
{
    // Ended by EndPreview, then destroyed.
    {
        FakePreviewDoc doc;
        const FCObjImage before = doc.image;
        {
            CPreviewDialog preview(&doc);
            EXPECT_TRUE(preview.IsPreviewActive());
            preview.SetPreviewEffect(std::make_unique<FCEffectInvert>());
            preview.SetPreviewEffect(std::make_unique<FCEffectSeuil>(100));
            EXPECT_TRUE(doc.Shows(FCEffectSeuil(100)));
            preview.EndPreview();
            EXPECT_FALSE(preview.IsPreviewActive());
            EXPECT_TRUE(testimg::SamePixels(doc.image, before));
            preview.EndPreview();
        }
        EXPECT_EQ(doc.timeline, (Timeline{"Begin", "Run", "Run", "End"}));
    }
    // Destroyed while open (the dialog never ended): the image still comes back.
    {
        FakePreviewDoc doc;
        const FCObjImage before = doc.image;
        {
            CPreviewDialog preview(&doc);
            preview.SetPreviewEffect(std::make_unique<FCEffectInvert>());
        }
        EXPECT_EQ(doc.timeline, (Timeline{"Begin", "Run", "End"}));
        EXPECT_TRUE(testimg::SamePixels(doc.image, before));
    }
    // Without a document nothing happens at all, and an effect handed over is still freed.
    {
        bool destroyed = false;
        CPreviewDialog preview(nullptr);
        EXPECT_FALSE(preview.IsPreviewActive());
        preview.SetPreviewEffect(std::make_unique<WatchedEffect>(&destroyed));
        preview.ResetPreview();
        preview.EndPreview();
        EXPECT_TRUE(destroyed);
    }
}

TEST(PreviewDialog, ResetShowsTheBackupAndKeepsThePreviewOpen)
{
    FakePreviewDoc doc;
    const FCObjImage before = doc.image;
    CPreviewDialog preview(&doc);
    preview.SetPreviewEffect(std::make_unique<FCEffectInvert>());
    preview.ResetPreview();
    EXPECT_TRUE(preview.IsPreviewActive());
    EXPECT_TRUE(testimg::SamePixels(doc.image, before));
    preview.SetPreviewEffect(std::make_unique<FCEffectInvert>());
    EXPECT_TRUE(doc.Shows(FCEffectInvert()));
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "Run", "Reset", "Run"}));
}

// A preview asked for after the end would write pixels that nothing restores and that sit
// outside the undo: it is refused, and the effect is freed.
TEST(PreviewDialog, NothingReachesTheDocumentAfterTheEnd)
{
    FakePreviewDoc doc;
    const FCObjImage before = doc.image;
    CPreviewDialog preview(&doc);
    preview.EndPreview();
    bool destroyed = false;
    preview.SetPreviewEffect(std::make_unique<WatchedEffect>(&destroyed));
    preview.ResetPreview();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(doc.timeline, (Timeline{"Begin", "End"}));
    EXPECT_TRUE(testimg::SamePixels(doc.image, before));
}

TEST(PreviewDialog, ValueLabelShowsTheIntegerPlainly)
{
    QLabel label;
    for (const auto& [value, text] : std::vector<std::pair<int, const char*>>{
             {0, "0"}, {-128, "-128"}, {255, "255"}, {2147483647, "2147483647"}})
    {
        CPreviewDialog::SetSliderValueLabel(&label, value);
        EXPECT_EQ(label.text().toStdString(), text);
    }
}

TEST(TrackBar, PageSizeIsATenthAndTicksHalfTheRange)
{
    struct Case
    {
        int min, max, page, tick;
    };
    for (const Case& c :
         {Case{2, 8, 0, 3}, Case{-128, 128, 25, 128}, Case{0, 359, 35, 179}, Case{0, 360, 36, 180},
          Case{1, 32, 3, 15}, Case{1, 200, 19, 99}, Case{1, 256, 25, 127}, Case{0, 1000, 100, 500}})
    {
        CTrackBar bar(1043, nullptr);
        bar.SetRangeAndSteps(c.min, c.max);
        EXPECT_EQ(bar.minimum(), c.min);
        EXPECT_EQ(bar.maximum(), c.max);
        EXPECT_EQ(bar.pageStep(), c.page) << c.min << ".." << c.max;
        EXPECT_EQ(bar.tickInterval(), c.tick) << c.min << ".." << c.max;
    }
    // A range wider than 16 bits stays whole (a very wide picture's half width).
    CTrackBar wide(1043, nullptr);
    wide.SetRangeAndSteps(1, 35000);
    EXPECT_EQ(wide.maximum(), 35000);
    EXPECT_EQ(wide.pageStep(), 3499);
}

namespace
{
const QColor kMagenta(255, 0, 255);

// Paints the whole channel magenta and remembers what it was given.
class MagentaOwner : public CTrackBarOwner
{
public:
    bool DrawSliderThumb(int, QPainter&, const CTrackBar&) override { return false; }
    void DrawSliderChannel(int id, QPainter& painter, const QRect& channel, const CTrackBar&) override
    {
        ids.push_back(id);
        rect = channel;
        painter.fillRect(channel, kMagenta);
    }
    std::vector<int> ids;
    QRect rect;
};

struct ShownBar
{
    explicit ShownBar(CTrackBarOwner* owner, int value, QSlider::TickPosition ticks = QSlider::TicksBelow)
        : bar(1046, owner)
    {
        bar.SetRangeAndSteps(0, 100);
        bar.setValue(value);
        bar.setTickPosition(ticks);
        bar.resize(300, 34);
    }
    QImage Grab() { return bar.grab().toImage(); }
    CTrackBar bar;
};
} // namespace

TEST(TrackBar, TheOwnersChannelIsDrawnUnderTheThumb)
{
    MagentaOwner owner;
    ShownBar shown(&owner, 50);
    const QImage image = shown.Grab();
    ASSERT_FALSE(owner.ids.empty());
    EXPECT_EQ(owner.ids.front(), 1046);
    const QRect channel = owner.rect;
    EXPECT_EQ(channel.height(), 4);
    EXPECT_EQ(channel, shown.bar.ChannelRect());
    const QRect thumb = shown.bar.ThumbRect();
    // The channel lies across the thumb's middle and spans its travel.
    EXPECT_TRUE(thumb.contains(thumb.center().x(), channel.center().y()));
    EXPECT_LE(channel.left(), thumb.left());
    EXPECT_GE(channel.right(), shown.bar.width() / 2);

    // Away from the thumb the channel is the owner's; at the thumb's centre the thumb shows.
    EXPECT_EQ(image.pixelColor(channel.left() + 3, channel.center().y()), kMagenta);
    EXPECT_EQ(image.pixelColor(channel.right() - 3, channel.center().y()), kMagenta);
    EXPECT_NE(image.pixelColor(thumb.center().x(), channel.center().y()), kMagenta);
}

TEST(TrackBar, TicksAreDrawnBesideTheChannel)
{
    // The same trackbar with and without ticks differs outside the channel and the thumb.
    MagentaOwner owner;
    ShownBar ticked(&owner, 0, QSlider::TicksBelow);
    ShownBar plain(&owner, 0, QSlider::NoTicks);
    plain.bar.setTickPosition(QSlider::NoTicks);
    const QImage a = ticked.Grab();
    const QImage b = plain.Grab();
    const QRect thumb = ticked.bar.ThumbRect();
    int differing = 0;
    for (int y = thumb.bottom() + 1; y < a.height(); ++y)
        for (int x = thumb.right() + 1; x < a.width(); ++x)
            differing += a.pixelColor(x, y) != b.pixelColor(x, y);
    EXPECT_GT(differing, 0);
}

TEST(TrackBar, DefaultChannelIsAButtonFaceInASunkenFrame)
{
    CPreviewDialog owner(nullptr);
    const QPalette palette = ShownBar(&owner, 0).bar.palette();
    // Pixels hold 8 bits a channel; the palette may hold more.
    const QRgb face = palette.color(QPalette::Button).rgb();
    const QRgb shadow = palette.color(QPalette::Dark).rgb();
    const QRgb light = palette.color(QPalette::Light).rgb();
    ASSERT_NE(shadow, light);

    // Thumb on the left: look at the right end; thumb on the right: the left end.
    ShownBar left(&owner, 0);
    ShownBar right(&owner, 100);
    const QImage thumbLeft = left.Grab();
    const QImage thumbRight = right.Grab();
    const QRect r = left.bar.ChannelRect();
    ASSERT_EQ(r, right.bar.ChannelRect());
    const int mid = r.center().x();
    const int top = r.top(), bottom = r.bottom(); // inclusive rows

    EXPECT_EQ(thumbLeft.pixel(mid, top), shadow);
    EXPECT_EQ(thumbLeft.pixel(mid, top + 1), face);
    EXPECT_EQ(thumbLeft.pixel(mid, bottom - 1), face);
    EXPECT_EQ(thumbLeft.pixel(mid, bottom), light);
    // The right column is light from top to bottom (the top row stops short of it).
    for (int y = top; y <= bottom; ++y)
        EXPECT_EQ(thumbLeft.pixel(r.right(), y), light) << y;
    EXPECT_EQ(thumbLeft.pixel(r.right() - 1, top), shadow);
    // The left column is shadow down to the bottom row, which is light.
    for (int y = top; y < bottom; ++y)
        EXPECT_EQ(thumbRight.pixel(r.left(), y), shadow) << y;
    EXPECT_EQ(thumbRight.pixel(r.left(), bottom), light);
}
