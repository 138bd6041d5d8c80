#include "shell/WindowLayout.h"

#include <gtest/gtest.h>

TEST(WindowLayout, NewWindowsStepDownAThirdOfTheAreaThenStartAgain)
{
    // 644 / (3 x 26) = 8 steps: windows are 8 steps smaller than the area.
    const QSize area(1000, 644);
    struct Case
    {
        int index;
        QRect geometry;
    };
    const Case cases[] = {
        {0, {0, 0, 792, 436}}, {1, {26, 26, 792, 436}},  {8, {208, 208, 792, 436}},
        {9, {0, 0, 792, 436}}, {10, {26, 26, 792, 436}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DefaultChildGeometry(c.index, area, 26), c.geometry) << c.index;

    // An area too low for one step: every window fills it.
    EXPECT_EQ(DefaultChildGeometry(3, QSize(300, 70), 26), QRect(0, 0, 300, 70));
    // Never an empty or inverted window, whatever the area and the step.
    for (const QSize& s : {QSize(0, 0), QSize(10, 500), QSize(-5, -5)})
        for (int step : {0, 1, 26})
        {
            const QRect r = DefaultChildGeometry(2, s, step);
            EXPECT_GE(r.width(), 1);
            EXPECT_GE(r.height(), 1);
            EXPECT_GE(r.left(), 0);
        }
}

TEST(WindowLayout, CascadeKeepsEveryTitleBarInSight)
{
    const int step = 26;
    const std::vector<QRect> places = CascadeGeometries(5, QSize(1000, 644), step);
    ASSERT_EQ(places.size(), 5u);
    for (std::size_t i = 0; i + 1 < places.size(); ++i)
    {
        // The one in front starts a whole title bar lower and further right.
        EXPECT_EQ(places[i + 1].top() - places[i].top(), step);
        EXPECT_EQ(places[i + 1].left() - places[i].left(), step);
        EXPECT_EQ(places[i + 1].size(), places[i].size());
    }
    EXPECT_LE(places.back().bottom(), 643);
    EXPECT_LE(places.back().right(), 999);
}

TEST(WindowLayout, FirstMainWindowFitsTheScreen)
{
    const QSize wanted(1000, 720), frame(16, 48);
    EXPECT_EQ(FitToScreen(wanted, QSize(1600, 1150), frame), wanted);
    // 1600 x 1200 device pixels at twice the density.
    EXPECT_EQ(FitToScreen(wanted, QSize(800, 575), frame), QSize(784, 527));
    EXPECT_EQ(FitToScreen(wanted, QSize(1200, 600), frame), QSize(1000, 552));
    EXPECT_EQ(FitToScreen(wanted, QSize(), frame), wanted) << "no screen known";
}
