#include "TestImages.h"
#include "ViewTestHost.h"

#include "resources/CommandIds.h"
#include "views/CBitmapViewBase.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <memory>

namespace
{
// A view that paints its canvas white and records what it is told.
class RecordingView : public CBitmapViewBase
{
public:
    explicit RecordingView(QWidget* parent) : CBitmapViewBase(parent)
    {
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    void OnUpdate() override { calls.push_back("update"); }
    std::vector<std::string> calls;

protected:
    void OnZoomChanged() override { calls.push_back("zoom"); }
    void DoPaint(QPainter& painter, const QRect& rc) override { painter.fillRect(rc, Qt::white); }
};

// A view inside a recording top-level window, showing a document of the given image.
struct Fixture
{
    explicit Fixture(FCObjImage image, QSize viewport = QSize(200, 150), bool withPixels = true)
    {
        host.window.show();
        view = new RecordingView(&host.window);
        view->show();
        view->resize(viewport);
        doc = new CImageDoc(view, host);
        if (withPixels) doc->InitFromImage(image);
        host.documents.AddDocument(doc);
        view->calls.clear();
    }
    ~Fixture() { delete view; }

    void Press(int x, int y) { Send(QEvent::MouseButtonPress, x, y, Qt::LeftButton, Qt::LeftButton); }
    void Move(int x, int y, bool held = true)
    {
        Send(QEvent::MouseMove, x, y, Qt::NoButton, held ? Qt::LeftButton : Qt::NoButton);
    }
    void Release(int x, int y) { Send(QEvent::MouseButtonRelease, x, y, Qt::LeftButton, Qt::NoButton); }
    void Send(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, QPointF(x, y), view->viewport()->mapToGlobal(QPointF(x, y)), button, buttons,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &e);
    }

    testview::Host host;
    RecordingView* view;
    CImageDoc* doc;
};

RecordedMessage Msg(int msg, std::int64_t w, std::int64_t l)
{
    return {msg, w, l};
}
} // namespace

TEST(BitmapViewBase, ZoomSetsTheScrollRangeAndReturnsToTheOrigin)
{
    Fixture f(testimg::Flat(300, 200, 24, 1, 2, 3));
    f.view->SetZoom(512);
    EXPECT_EQ(f.view->CanvasSize(), QSize(600, 400));
    EXPECT_EQ(f.view->horizontalScrollBar()->maximum(), 400);
    EXPECT_EQ(f.view->verticalScrollBar()->maximum(), 250);
    EXPECT_EQ(f.view->calls, (std::vector<std::string>{"update", "zoom"}));

    f.view->horizontalScrollBar()->setValue(120);
    f.view->verticalScrollBar()->setValue(30);
    f.view->OnCommand(kCmdZoomIn);
    EXPECT_EQ(f.view->Zoom(), 1024);
    EXPECT_EQ(f.view->ScrollPosition(), QPoint(0, 0));
    // A step that does nothing keeps the zoom.
    f.view->OnCommand(kCmdZoom16);
    f.view->OnCommand(kCmdZoomIn);
    EXPECT_EQ(f.view->Zoom(), 4096);
    f.view->OnCommand(kCmdZoomAuto);
    f.view->OnCommand(kCmdZoomOut);
    EXPECT_EQ(f.view->Zoom(), 0);
}

TEST(BitmapViewBase, ZoomWithoutPixelsKeepsTheRangeButNotifies)
{
    Fixture f(FCObjImage(), QSize(200, 150), false);
    const QSize before = f.view->CanvasSize();
    f.view->SetZoom(64);
    EXPECT_EQ(f.view->Zoom(), 64);
    EXPECT_EQ(f.view->CanvasSize(), before);
    EXPECT_EQ(f.view->calls, (std::vector<std::string>{"update", "zoom"}));
}

TEST(BitmapViewBase, ConversionsWithScrollAndFit)
{
    Fixture f(testimg::Flat(300, 200, 24, 1, 2, 3));
    f.view->SetZoom(512);
    f.view->horizontalScrollBar()->setValue(20);
    const POINT p = f.view->ClientToImage(11, 7);
    EXPECT_EQ(p.x, 15);
    EXPECT_EQ(p.y, 3);
    const POINT c = f.view->ImageToClient(15, 3);
    EXPECT_EQ(c.x, 30);
    EXPECT_EQ(c.y, 6);

    Fixture fit(testimg::Flat(1000, 10, 24, 1, 2, 3), QSize(100, 100));
    fit.view->SetZoom(0);
    const RECT r = fit.view->FitRectangle();
    EXPECT_EQ(r.right, 100);
    EXPECT_EQ(r.bottom, 1);
    EXPECT_EQ(fit.view->ClientToImage(50, 0).x, 500);
    fit.view->resize(0, 0);
    EXPECT_EQ(fit.view->FitRectangle().right, 0);
    EXPECT_EQ(fit.view->ClientToImage(5, 5).x, -1);
    EXPECT_EQ(fit.view->ScrollAxisMask(), 0);
}

TEST(BitmapViewBase, DragPostsCursorAndSelection)
{
    Fixture f(testimg::Flat(640, 480, 24, 1, 2, 3), QSize(700, 500));
    f.Press(50, 40);
    f.Move(30, 30);
    f.Move(10, 20);
    f.Release(10, 20);
    const std::vector<RecordedMessage> expected{
        Msg(WM_IMAGE_SELECTION, 30 | 30 << 16, 50 | 40 << 16),
        Msg(WM_IMAGE_CURSOR_POS, 30, 30),
        Msg(WM_IMAGE_SELECTION, 1310730, 2621490),
        Msg(WM_IMAGE_CURSOR_POS, 10, 20),
        Msg(WM_IMAGE_SELECTION, 1310730, 2621490),
    };
    EXPECT_EQ(f.host.window.Take(), expected);
    const RECT s = f.view->GetSelection();
    EXPECT_EQ(s.left, 10);
    EXPECT_EQ(s.top, 20);
    EXPECT_EQ(s.right, 50);
    EXPECT_EQ(s.bottom, 40);

    // With a selection shown, leaving posts nothing.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(f.view->viewport(), &leave);
    EXPECT_TRUE(f.host.window.Take().empty());

    // A click without moving drops it.
    f.Press(5, 5);
    f.Release(5, 5);
    EXPECT_EQ(f.host.window.Take(), (std::vector<RecordedMessage>{Msg(WM_IMAGE_SELECTION, -1, -1)}));
    EXPECT_EQ(f.view->GetSelection().left, -1);
    QCoreApplication::sendEvent(f.view->viewport(), &leave);
    EXPECT_EQ(f.host.window.Take(), (std::vector<RecordedMessage>{Msg(WM_IMAGE_CURSOR_POS, -1, -1)}));

    // A move without a button only reports the cursor.
    f.Move(7, 9, false);
    EXPECT_EQ(f.host.window.Take(), (std::vector<RecordedMessage>{Msg(WM_IMAGE_CURSOR_POS, 7, 9)}));

    f.view->OnCommand(kCmdEditSelectAll);
    EXPECT_EQ(f.host.window.Take(), (std::vector<RecordedMessage>{Msg(WM_IMAGE_SELECTION, 0, 31392383)}));
    f.view->OnCommand(kCmdSelectNone);
    EXPECT_EQ(f.host.window.Take(), (std::vector<RecordedMessage>{Msg(WM_IMAGE_SELECTION, -1, -1)}));
    EXPECT_FALSE(f.view->IsSelectionShown());
}

TEST(BitmapViewBase, SelectionIsClippedToTheImage)
{
    Fixture f(testimg::Flat(100, 80, 24, 1, 2, 3), QSize(300, 300));
    f.Press(90, 70);
    f.Move(150, 120);
    f.Release(150, 120);
    RECT s = f.view->GetSelection();
    EXPECT_EQ(s.left, 90);
    EXPECT_EQ(s.top, 70);
    EXPECT_EQ(s.right, 99);
    EXPECT_EQ(s.bottom, 79);
    // The message carries the rectangle as drawn.
    const auto messages = f.host.window.Take(WM_IMAGE_SELECTION);
    EXPECT_EQ(messages.back().lParam, PackCorner(150, 120));

    // Drawn wholly in the grey margin: nothing of the image is selected.
    f.Press(120, 10);
    f.Move(150, 30);
    f.Release(150, 30);
    s = f.view->GetSelection();
    EXPECT_EQ(s.left, -1);
    EXPECT_EQ(s.right, -1);
}

TEST(BitmapViewBase, AxisMaskFollowsTheScrollBars)
{
    Fixture tall(testimg::Flat(100, 400, 24, 1, 2, 3), QSize(200, 150));
    tall.view->SetZoom(256);
    tall.view->resize(201, 150);
    EXPECT_EQ(tall.view->ScrollAxisMask(), 1);
    Fixture big(testimg::Flat(400, 400, 24, 1, 2, 3), QSize(200, 150));
    big.view->SetZoom(256);
    big.view->resize(201, 150);
    EXPECT_EQ(big.view->ScrollAxisMask(), 3);
    big.view->SetZoom(0);
    big.view->resize(202, 150);
    EXPECT_EQ(big.view->ScrollAxisMask(), 0);
}

TEST(BitmapViewBase, BandChangesOnlyItsBorder)
{
    Fixture f(testimg::Flat(150, 100, 24, 1, 2, 3), QSize(150, 100));
    const QImage before = f.view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    f.Press(20, 10);
    f.Move(60, 50);
    f.Release(60, 50);
    const QImage after = f.view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int changed = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
        {
            if (before.pixel(x, y) == after.pixel(x, y)) continue;
            ++changed;
            const bool onBorder = (x == 20 || x == 59) && y >= 10 && y <= 49;
            const bool onTopBottom = (y == 10 || y == 49) && x >= 20 && x <= 59;
            EXPECT_TRUE(onBorder || onTopBottom) << x << "," << y;
        }
    EXPECT_GT(changed, 40) << "the band is drawn";
}

TEST(BitmapViewBase, WheelAndPagesScrollByPartsOfTheCanvas)
{
    Fixture f(testimg::Flat(400, 1000, 24, 1, 2, 3), QSize(200, 150));
    f.view->SetZoom(256);
    ASSERT_GT(f.view->verticalScrollBar()->maximum(), 0);
    const QPointF at(50, 50);
    QWheelEvent down(at, f.view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(f.view->viewport(), &down);
    // One notch scrolls 120 pixels.
    EXPECT_EQ(f.view->ScrollPosition(), QPoint(0, 120));

    // A page is a tenth of the canvas, whatever the size of the window.
    f.view->verticalScrollBar()->setValue(0);
    f.view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.view->ScrollPosition().y(), 100);
    f.view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.view->ScrollPosition().x(), 40);
    f.view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(f.view->ScrollPosition().x(), 0);
}
