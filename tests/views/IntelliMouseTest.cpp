// Middle-button panning and the wheel on a real view, with the timers and the pointer driven by
// the test.
#include "TestImages.h"
#include "ViewTestHost.h"

#include "views/CBitmapViewBase.h"
#include "views/CIntelliMouse.h"
#include "views/PanningCursors.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <map>

namespace
{
class WhiteView : public CBitmapViewBase
{
public:
    using CBitmapViewBase::CBitmapViewBase;
    void OnUpdate() override { UpdateScrollSize(); }

protected:
    void DoPaint(QPainter& painter, const QRect& rc) override { painter.fillRect(rc, Qt::white); }
};

struct FakeClock : IPanningClock
{
    void SetTimer(int id, unsigned ms) override { running[id] = ms; }
    void KillTimer(int id) override { running.erase(id); }
    QPoint CursorPos() const override { return pointer; }
    std::map<int, unsigned> running;
    QPoint pointer;
};

// A view of the given image at 1:1 in a 200 x 150 viewport, its panning on the test's clock.
struct Fixture
{
    explicit Fixture(FCObjImage image, int zoom = 256)
    {
        view = host.AddBareView<WhiteView>(std::move(image), QSize(200, 150), &doc);
        view->SetZoom(zoom);
        view->resize(201, 150);
        view->resize(200, 150);
        Mouse().SetClock(&clock);
        host.window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&host.window));
    }
    ~Fixture()
    {
        Mouse().SetClock(nullptr);
        delete view;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    CIntelliMouse& Mouse() { return view->IntelliMouse(); }
    QWidget* Port() { return view->viewport(); }
    QPoint Global(QPoint p) { return Port()->mapToGlobal(p); }
    void Send(QWidget* to, QEvent::Type type, Qt::MouseButton button, QPoint at = QPoint(60, 50))
    {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, QPointF(at), QPointF(to->mapToGlobal(at)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(to, &e);
    }
    void MiddleDown(QPoint at) { Send(Port(), QEvent::MouseButtonPress, Qt::MiddleButton, at); }
    // A wheel turn over the viewport; true when it was taken.
    bool Wheel(int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF at(50, 50);
        QWheelEvent e(at, Port()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        e.setAccepted(false);
        return QCoreApplication::sendEvent(Port(), &e);
    }
    void Fire(int id)
    {
        ASSERT_TRUE(clock.running.count(id)) << "timer " << id << " runs";
        Mouse().OnTimer(id);
    }
    QPoint Pos() const { return view->ScrollPosition(); }
    void SetPos(int x, int y)
    {
        view->horizontalScrollBar()->setValue(x);
        view->verticalScrollBar()->setValue(y);
    }
    bool Ended()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !Mouse().IsActive() && !Mouse().IsClickWindow() && !Mouse().Marker() &&
               clock.running.empty() && Mouse().CurrentCursor() == 0;
    }

    testview::Host host;
    WhiteView* view;
    CImageDoc* doc;
    FakeClock clock;
};

ScrollBarState Mid()
{
    return {0, 1000, 500};
}
} // namespace

TEST(Panning, StepTable)
{
    struct Case
    {
        int dx, dy; // origin - pointer
        int mask;
        ScrollBarState h, v;
        int divisor;
        PanStep step;
    };
    const Case cases[] = {
        {4, 4, 3, Mid(), Mid(), 1, {0, 0, 0}},
        {5, 5, 3, Mid(), Mid(), 1, {5, 5, kPanLeft | kPanUp}},
        {-5, -5, 3, Mid(), Mid(), 1, {-5, -5, kPanRight | kPanDown}},
        {-3, -40, 3, Mid(), Mid(), 1, {0, -40, kPanDown}},
        {40, 40, 1, Mid(), Mid(), 1, {0, 40, kPanUp}},
        {40, 40, 2, Mid(), Mid(), 1, {40, 0, kPanLeft}},
        {40, 40, 0, Mid(), Mid(), 1, {40, 40, kPanLeft | kPanUp}},
        {0, 40, 3, Mid(), {0, 1000, 0}, 1, {0, 0, 0}},
        {0, -40, 3, Mid(), {0, 1000, 1000}, 1, {0, 0, 0}},
        {40, 0, 3, {0, 1000, 0}, Mid(), 1, {0, 0, 0}},
        {-40, 0, 3, {0, 1000, 1000}, Mid(), 1, {0, 0, 0}},
        {-40, 0, 3, {0, 1000, 0}, Mid(), 1, {-40, 0, kPanRight}},
        {-40, -40, 3, Mid(), Mid(), 1, {-40, -40, kPanRight | kPanDown}},
        {40, -40, 3, Mid(), Mid(), 1, {40, -40, kPanLeft | kPanDown}},
        {-40, 40, 3, Mid(), Mid(), 1, {-40, 40, kPanRight | kPanUp}},
        {9, -41, 3, Mid(), Mid(), 2, {0, -20, kPanDown}},
        {200000, 0, 3, {0, 300000, 250000}, Mid(), 1, {200000, 0, kPanLeft}},
    };
    for (const Case& c : cases)
    {
        const POINT origin{500, 400};
        const PanStep s =
            GetScrollStep(origin, POINT{origin.x - c.dx, origin.y - c.dy}, c.mask, c.divisor, c.h, c.v);
        EXPECT_EQ(s.dx, c.step.dx) << c.dx << "," << c.dy << " mask " << c.mask;
        EXPECT_EQ(s.dy, c.step.dy) << c.dx << "," << c.dy << " mask " << c.mask;
        EXPECT_EQ(s.code, c.step.code) << c.dx << "," << c.dy << " mask " << c.mask;
    }
}

TEST(Panning, EachDirectionHasItsPointerAndThePicturePointsThatWay)
{
    const std::pair<int, int> table[] = {
        {0, 3206},
        {kPanUp, 3203},
        {kPanDown, 3202},
        {kPanLeft, 3205},
        {kPanRight, 3204},
        {kPanUp | kPanLeft, 3207},
        {kPanUp | kPanRight, 3208},
        {kPanDown | kPanLeft, 3210},
        {kPanDown | kPanRight, 3209},
    };
    for (const auto& [code, id] : table)
    {
        EXPECT_EQ(PanCursorResource(code), id) << code;
        const QPoint d((code & kPanRight)  ? 1
                       : (code & kPanLeft) ? -1
                                           : 0,
                       (code & kPanDown) ? 1
                       : (code & kPanUp) ? -1
                                         : 0);
        EXPECT_EQ(PanCursorDirection(id), d) << id;
        // The arrow is drawn on the side it names, and nothing on the other side.
        const QImage picture = PanCursorPixmap(id, 1.0).toImage();
        ASSERT_EQ(picture.size(), QSize(32, 32));
        const QPoint centre(16, 16);
        if (d.isNull())
        {
            for (const QPoint u : {QPoint(0, -1), QPoint(0, 1), QPoint(-1, 0), QPoint(1, 0)})
                EXPECT_GT(qAlpha(picture.pixel(centre + u * 9)), 128) << id;
            continue;
        }
        EXPECT_GT(qAlpha(picture.pixel(centre + d * 9)), 128) << id;
        EXPECT_EQ(qAlpha(picture.pixel(centre - d * 9)), 0) << id;
    }
}

TEST(Panning, MiddlePressDropsTheMarkerAndStartsBothTimers)
{
    Fixture f(testimg::Flat(400, 1000, 24, 1, 2, 3));
    f.MiddleDown(QPoint(50, 40));
    ASSERT_TRUE(f.Mouse().IsActive());
    EXPECT_TRUE(f.Mouse().IsClickWindow());
    EXPECT_EQ(f.Mouse().Origin(), f.Global(QPoint(50, 40)));
    CPanningMarker* marker = f.Mouse().Marker();
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->parentWidget(), f.Port());
    EXPECT_EQ(marker->geometry(), QRect(50, 40, 34, 34)) << "its top left corner at the click";
    EXPECT_TRUE(marker->isVisible());
    EXPECT_TRUE(marker->mask().contains(QPoint(17, 17)));
    EXPECT_FALSE(marker->mask().contains(QPoint(1, 1))) << "round";
    EXPECT_FALSE(marker->mask().contains(QPoint(32, 32)));
    EXPECT_EQ(QWidget::mouseGrabber(), marker);
    EXPECT_EQ(f.clock.running, (std::map<int, unsigned>{{543, 100}, {544, 300}}));
    EXPECT_EQ(f.Mouse().CurrentCursor(), 3206);

    // The marker: white inside, a dark ring at its edge.
    const QImage drawn = marker->grab().toImage();
    EXPECT_EQ(QColor(drawn.pixel(drawn.width() / 2, drawn.height() / 10)), QColor(Qt::white));
    const QColor ring(drawn.pixel(drawn.width() / 2, 0));
    EXPECT_LT(ring.red(), 160);
}

TEST(Panning, ClickLeavesPanningOnDragEndsItAndEveryEndCleansUp)
{
    enum Target
    {
        ToViewport,
        ToMarker,
    };
    struct Case
    {
        const char* what;
        bool afterClickWindow;
        Target target;
        QEvent::Type type;
        Qt::MouseButton button;
        bool ends;
    };
    const Case cases[] = {
        {"middle released at once", false, ToMarker, QEvent::MouseButtonRelease, Qt::MiddleButton, false},
        {"middle released later", true, ToMarker, QEvent::MouseButtonRelease, Qt::MiddleButton, true},
        {"left press later", true, ToMarker, QEvent::MouseButtonPress, Qt::LeftButton, true},
        {"right press later", true, ToMarker, QEvent::MouseButtonPress, Qt::RightButton, true},
        {"left press at once on the marker", false, ToMarker, QEvent::MouseButtonPress, Qt::LeftButton,
         false},
        {"left press at once on the view", false, ToViewport, QEvent::MouseButtonPress, Qt::LeftButton, true},
        {"right press at once on the view", false, ToViewport, QEvent::MouseButtonPress, Qt::RightButton,
         true},
        {"second middle press at once", false, ToViewport, QEvent::MouseButtonPress, Qt::MiddleButton, true},
        {"middle released later on the view", true, ToViewport, QEvent::MouseButtonRelease, Qt::MiddleButton,
         true},
        {"middle press later on the marker", true, ToMarker, QEvent::MouseButtonPress, Qt::MiddleButton,
         false},
    };
    for (const Case& c : cases)
    {
        Fixture f(testimg::Flat(400, 1000, 24, 1, 2, 3));
        f.view->clearFocus();
        f.MiddleDown(QPoint(50, 40));
        ASSERT_TRUE(f.Mouse().IsActive()) << c.what;
        if (c.afterClickWindow)
        {
            f.Fire(CIntelliMouse::kTimerClickWindow);
            EXPECT_FALSE(f.Mouse().IsClickWindow());
            EXPECT_EQ(f.clock.running.count(544), 0u) << "the click window's timer stops";
        }
        f.Send(c.target == ToMarker ? static_cast<QWidget*>(f.Mouse().Marker()) : f.Port(), c.type, c.button,
               QPoint(10, 10));
        if (c.ends)
        {
            EXPECT_TRUE(f.Ended()) << c.what;
            EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << c.what;
            EXPECT_EQ(QApplication::focusWidget(), f.view) << c.what << ": the focus goes back to the view";
            EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << c.what;
        }
        else
            EXPECT_TRUE(f.Mouse().IsActive()) << c.what;
    }
}

TEST(Panning, EachTickScrollsTowardThePointerAndKeepsTheMarkerInPlace)
{
    Fixture f(testimg::Flat(400, 1000, 24, 1, 2, 3));
    f.SetPos(100, 300);
    f.MiddleDown(QPoint(50, 40));
    const QPoint markerAt = f.Mouse().Marker()->mapToGlobal(QPoint(0, 0));
    const QPoint origin = f.Mouse().Origin();

    // 3 pixels right and 40 below: only down, 40 pixels a tick.
    f.clock.pointer = origin + QPoint(3, 40);
    f.Fire(CIntelliMouse::kTimerScroll);
    EXPECT_EQ(f.Pos(), QPoint(100, 340));
    EXPECT_EQ(f.Mouse().CurrentCursor(), 3202);
    EXPECT_EQ(f.Mouse().Marker()->mapToGlobal(QPoint(0, 0)), markerAt)
        << "the marker stays where it was dropped";
    f.Fire(CIntelliMouse::kTimerScroll);
    EXPECT_EQ(f.Pos(), QPoint(100, 380));

    // Up and right; then against the top the pointer shows no direction.
    f.clock.pointer = origin + QPoint(30, -200);
    f.Fire(CIntelliMouse::kTimerScroll);
    EXPECT_EQ(f.Pos(), QPoint(130, 180));
    EXPECT_EQ(f.Mouse().CurrentCursor(), 3208);
    f.clock.pointer = origin + QPoint(0, -400);
    f.Fire(CIntelliMouse::kTimerScroll);
    EXPECT_EQ(f.Pos(), QPoint(130, 0)) << "stopped at the top";
    f.Fire(CIntelliMouse::kTimerScroll);
    EXPECT_EQ(f.Mouse().CurrentCursor(), 3206);

    // A move of the pointer over the marker changes the picture at once.
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(origin + QPoint(-60, 0)), Qt::NoButton,
                     Qt::MiddleButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.Mouse().Marker(), &move);
    EXPECT_EQ(f.Mouse().CurrentCursor(), 3205) << "the pointer is left of the origin";
    EXPECT_TRUE(f.Mouse().IsActive());
}

TEST(Panning, PositionsBeyondSixteenBitsScrollWhole)
{
    // 8200 pixels at 16:1: a canvas of 131200 pixels.
    Fixture f(testimg::Flat(8200, 20, 24, 1, 2, 3), 4096);
    ASSERT_EQ(f.view->horizontalScrollBar()->maximum(), 131200 - 200);
    f.SetPos(100000, 0);
    f.MiddleDown(QPoint(50, 40));
    f.clock.pointer = f.Mouse().Origin() + QPoint(40, 0);
    f.Fire(CIntelliMouse::kTimerScroll);
    EXPECT_EQ(f.Pos().x(), 100040);
    f.Mouse().ReleaseCapture();
    f.SetPos(131000 - 50, 0);
    f.Mouse().ScrollBy(f.Mouse().Origin() + QPoint(90, 0));
    EXPECT_EQ(f.Pos().x(), 131000) << "held at the bar's own maximum";
}

TEST(Panning, WheelScrollsOneHundredTwentyPixelsANotch)
{
    {
        Fixture f(testimg::Flat(400, 1000, 24, 1, 2, 3));
        f.SetPos(0, 200);
        EXPECT_TRUE(f.Wheel(120));
        EXPECT_EQ(f.Pos(), QPoint(0, 80));
        EXPECT_TRUE(f.Wheel(120));
        EXPECT_EQ(f.Pos(), QPoint(0, 0)) << "held at the top";
        EXPECT_TRUE(f.Wheel(-120));
        EXPECT_EQ(f.Pos(), QPoint(0, 120));
        // With Ctrl or Shift the turn is taken and nothing scrolls.
        EXPECT_TRUE(f.Wheel(-120, Qt::ControlModifier));
        EXPECT_TRUE(f.Wheel(-120, Qt::ShiftModifier));
        EXPECT_EQ(f.Pos(), QPoint(0, 120));
        // Fine wheels add up until they make a step.
        EXPECT_TRUE(f.Wheel(-2));
        EXPECT_TRUE(f.Wheel(-2));
        EXPECT_EQ(f.Pos(), QPoint(0, 120));
        EXPECT_TRUE(f.Wheel(-2));
        EXPECT_EQ(f.Pos(), QPoint(0, 126));
        // During panning the wheel ends it, and scrolls.
        f.MiddleDown(QPoint(50, 40));
        ASSERT_TRUE(f.Mouse().IsActive());
        EXPECT_TRUE(f.Wheel(-120));
        EXPECT_TRUE(f.Ended());
        EXPECT_EQ(f.Pos(), QPoint(0, 246));
    }
    {
        // Only a horizontal range: the wheel scrolls sideways.
        Fixture f(testimg::Flat(1000, 100, 24, 1, 2, 3));
        ASSERT_EQ(f.view->verticalScrollBar()->maximum(), 0);
        f.SetPos(500, 0);
        EXPECT_TRUE(f.Wheel(120));
        EXPECT_EQ(f.Pos(), QPoint(380, 0));
    }
}
