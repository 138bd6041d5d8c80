#include "platform/qt/CaptureOwner.h"
#include "platform/qt/DialogUnits.h"
#include "platform/qt/IdleNotifier.h"

#include <QEventLoop>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

TEST(CaptureOwner, EveryEndOfTheCaptureIsReportedOnce)
{
    QWidget window;
    auto* inner = new QWidget(&window);
    window.resize(100, 100);
    window.show();
    int lost = 0;
    CCaptureOwner capture([&lost] { ++lost; });

    capture.Capture(inner);
    EXPECT_TRUE(capture.HasCapture());
    capture.Release();
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(capture.HasCapture());
    capture.Release();
    EXPECT_EQ(lost, 1) << "releasing twice reports once";

    capture.Capture(inner);
    inner->hide();
    EXPECT_EQ(lost, 2) << "hiding the captured widget ends the capture";

    inner->show();
    capture.Capture(inner);
    QMenu popup;
    popup.addAction(QStringLiteral("x"));
    popup.popup(QPoint(0, 0));
    EXPECT_EQ(lost, 3) << "a popup takes the pointer";
    popup.hide();
    EXPECT_FALSE(capture.HasCapture());
}

TEST(DialogUnits, ConversionWithTheFontBaseUnits)
{
    const DialogBaseUnits base{6, 13};
    EXPECT_EQ(DluToPixelsX(4, base), 6);
    EXPECT_EQ(DluToPixelsX(243, base), 365); // 364.5 rounds up
    EXPECT_EQ(DluToPixelsY(8, base), 13);
    EXPECT_EQ(DluToPixelsY(98, base), 159);
    EXPECT_EQ(DluRectToPixels(7, 7, 50, 14, base), QRect(11, 11, 75, 23));
    const DialogBaseUnits real = BaseUnitsOf(QFont());
    EXPECT_GT(real.x, 0);
    EXPECT_GT(real.y, real.x);
}

TEST(IdleNotifier, RunsWhenTheQueueRunsEmptyAndNeverReentrant)
{
    CIdleNotifier idle;
    int runs = 0, depth = 0, deepest = 0;
    idle.AddHandler(
        [&]
        {
            ++runs;
            deepest = std::max(deepest, ++depth);
            idle.Notify(); // a handler asking again is not re-entered
            --depth;
        });
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(runs, 1);
    EXPECT_EQ(deepest, 1);
    const int before = runs;
    idle.Notify();
    EXPECT_EQ(runs, before + 1);
}
