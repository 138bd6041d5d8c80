#include "MessageRecorder.h"

#include "platform/qt/WindowMessages.h"

#include <QDialog>
#include <QWidget>

#include <gtest/gtest.h>

#include <thread>

TEST(WindowMessages, PackingOfCorners)
{
    EXPECT_EQ(PackCorner(10, 20), 1310730);
    EXPECT_EQ(PackCorner(50, 40), 2621490);
    EXPECT_EQ(PackCorner(639, 479), 31392383);
    // Negative and wide coordinates keep their low 16 bits, and read back signed.
    const std::int64_t packed = PackCorner(-1, 70000);
    EXPECT_EQ(packed, std::int64_t(0xFFFFu | (70000u & 0xFFFFu) << 16));
    EXPECT_EQ(LowWordSigned(packed), -1);
    EXPECT_EQ(HighWordSigned(packed), 70000 - 65536);
    EXPECT_EQ(LowWordSigned(PackCorner(32767, 0)), 32767);
}

TEST(WindowMessages, GoToTheTopWindowThroughParentsAndOwners)
{
    MessageRecorder frame;
    auto* child = new QWidget(&frame);
    auto* grandChild = new QWidget(child);
    // A dialog owned by the frame, and a widget inside it: the dialog's owner gets the message.
    auto* dialog = new QDialog(&frame);
    auto* inDialog = new QWidget(dialog);

    EXPECT_EQ(FindTopLevel(grandChild), &frame);
    EXPECT_EQ(FindTopLevel(inDialog), &frame);
    EXPECT_EQ(FindTopLevel(nullptr), nullptr);

    PostToTopLevel(grandChild, WM_IMAGE_CURSOR_POS, 5, 7);
    PostToTopLevel(inDialog, WM_IMAGE_SELECTION, -1, -1);
    EXPECT_TRUE(frame.messages.empty()) << "posting is asynchronous";
    const auto got = frame.Take();
    const std::vector<RecordedMessage> expected{{WM_IMAGE_CURSOR_POS, 5, 7}, {WM_IMAGE_SELECTION, -1, -1}};
    EXPECT_EQ(got, expected);
}

TEST(WindowMessages, PostedFromOtherThreadsInOrder)
{
    MessageRecorder frame;
    std::thread worker(
        [&frame]
        {
            for (int p : {10, 20, 100})
                PostImageMessage(&frame, WM_STATUS_PROGRESS, p, 0);
        });
    worker.join();
    const auto got = frame.Take(WM_STATUS_PROGRESS);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].wParam, 10);
    EXPECT_EQ(got[1].wParam, 20);
    EXPECT_EQ(got[2].wParam, 100);
}
