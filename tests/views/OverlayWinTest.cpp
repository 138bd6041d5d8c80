#include "TestImages.h"
#include "ViewTestHost.h"

#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "views/CBitmapView.h"
#include "views/COverlayWin.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace
{
struct Fixture
{
    Fixture(FCObjImage document, const FCObjImage& pasted)
    {
        view = host.AddBareView<CBitmapView>(std::move(document), QSize(400, 300), &doc);
        original = doc->GetImage();
        CopyToClipboard(pasted);
    }
    ~Fixture() { delete view; }

    COverlayWin* PasteAt(int x, int y)
    {
        view->OnLButtonDown(x, y);
        view->OnLButtonUp(x + 4, y + 4);
        view->OnCommand(kCmdEditPaste);
        return view->Overlay();
    }
    void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, bool repeat = false)
    {
        QKeyEvent e(QEvent::KeyPress, key, mods, QString(), repeat);
        QCoreApplication::sendEvent(w, &e);
    }

    testview::Host host;
    CBitmapView* view;
    CImageDoc* doc;
    FCObjImage original;
};
} // namespace

TEST(OverlayWin, ShowsThePictureHalfTransparentAndKeepsWhatIsPasted)
{
    const FCObjImage white = testimg::Flat(6, 4, 24, 255, 255, 255);
    Fixture f(testimg::Flat(50, 50, 24, 0, 0, 0), white);
    COverlayWin* overlay = f.PasteAt(5, 5);
    ASSERT_NE(overlay, nullptr);
    const BYTE half[4] = {127, 127, 127, 127};
    EXPECT_EQ(std::memcmp(overlay->DisplayImage()->PixelAddress(3, 2), half, 4), 0);
    EXPECT_EQ(overlay->PasteImage().ColorBits(), 24);
    EXPECT_TRUE(testimg::SamePixels(overlay->PasteImage(), white));
}

TEST(OverlayWin, DraggingAtTwoToOneAndComingBackAtOneToOne)
{
    Fixture f(testimg::Flat(100, 100, 24, 0, 0, 0), testimg::Flat(10, 10, 24, 255, 255, 255));
    f.view->OnCommand(kCmdZoom2);
    COverlayWin* overlay = f.PasteAt(20, 20);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->size(), QSize(20, 20));
    EXPECT_EQ(overlay->ImagePosition().x, 10);

    const QPointF start(2, 2), end(12, 2);
    QMouseEvent press(QEvent::MouseButtonPress, start, overlay->mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(overlay, &press);
    QMouseEvent move(QEvent::MouseMove, end, overlay->mapToGlobal(start) + QPointF(10, 0), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(overlay, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, end, overlay->mapToGlobal(start) + QPointF(10, 0),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(overlay, &release);
    EXPECT_EQ(overlay->ImagePosition().x, 15) << "10 screen pixels are 5 image pixels at 2:1";
    EXPECT_EQ(overlay->ClientPosition(), QPoint(30, 20));

    f.view->OnCommand(kCmdZoom1);
    EXPECT_EQ(overlay->pos(), QPoint(15, 10));
    EXPECT_EQ(overlay->size(), QSize(10, 10));
}

TEST(OverlayWin, ArrowKeysMoveByOneOrTen)
{
    Fixture f(testimg::Flat(100, 100, 24, 0, 0, 0), testimg::Flat(4, 4, 24, 1, 1, 1));
    COverlayWin* overlay = f.PasteAt(50, 50);
    ASSERT_NE(overlay, nullptr);
    struct Case
    {
        int key;
        Qt::KeyboardModifiers mods;
        QPoint move;
    };
    const Case cases[] = {
        {Qt::Key_Right, Qt::NoModifier, {1, 0}}, {Qt::Key_Right, Qt::ControlModifier, {10, 0}},
        {Qt::Key_Left, Qt::NoModifier, {-1, 0}}, {Qt::Key_Left, Qt::ControlModifier, {-10, 0}},
        {Qt::Key_Up, Qt::NoModifier, {0, -1}},   {Qt::Key_Up, Qt::ControlModifier, {0, -10}},
        {Qt::Key_Down, Qt::NoModifier, {0, 1}},  {Qt::Key_Down, Qt::ControlModifier, {0, 10}}};
    for (const Case& c : cases)
    {
        const QPoint before = overlay->pos();
        f.Key(overlay, c.key, c.mods);
        EXPECT_EQ(overlay->pos() - before, c.move) << c.key << " " << int(c.mods);
        EXPECT_EQ(overlay->ImagePosition().x, overlay->pos().x());
    }
}

TEST(OverlayWin, EnterPastesOnceAndCloses)
{
    Fixture f(testimg::Flat(20, 20, 24, 0, 0, 0), testimg::Flat(3, 3, 24, 200, 200, 200));
    COverlayWin* overlay = f.PasteAt(4, 5);
    ASSERT_NE(overlay, nullptr);
    f.Key(overlay, Qt::Key_Return);
    f.Key(overlay, Qt::Key_Return, Qt::NoModifier, true); // the key held down
    EXPECT_FALSE(overlay->IsOpen());
    EXPECT_FALSE(overlay->isVisible());
    const FCObjImage& image = f.doc->GetImage();
    EXPECT_EQ(image.PixelAddress(4, 5)[0], 200);
    EXPECT_EQ(image.PixelAddress(6, 7)[0], 200);
    EXPECT_EQ(image.PixelAddress(7, 7)[0], 0);
    EXPECT_EQ(image.PixelAddress(3, 5)[0], 0);
    // Undo goes back to the image from before the one paste.
    EXPECT_TRUE(testimg::SamePixels(f.doc->GetUndoImage(), f.original));
}

TEST(OverlayWin, EscapeAndCancelLeaveTheDocument)
{
    for (bool escape : {true, false})
    {
        Fixture f(testimg::Flat(20, 20, 24, 0, 0, 0), testimg::Flat(3, 3, 24, 200, 200, 200));
        COverlayWin* overlay = f.PasteAt(2, 2);
        ASSERT_NE(overlay, nullptr);
        if (escape)
            f.Key(overlay, Qt::Key_Escape);
        else
            EXPECT_TRUE(overlay->OnCommand(kCmdPasteCancel));
        EXPECT_FALSE(overlay->IsOpen());
        EXPECT_TRUE(testimg::SamePixels(f.doc->GetImage(), f.original));
        EXPECT_FALSE(f.doc->CanUndo());
    }
}

TEST(OverlayWin, MenuTextsAndBlendModes)
{
    Fixture f(testimg::Flat(20, 20, 24, 10, 10, 10), testimg::Flat(3, 3, 24, 20, 20, 20));
    COverlayWin* overlay = f.PasteAt(2, 2);
    ASSERT_NE(overlay, nullptr);
    std::unique_ptr<QMenu> menu(overlay->BuildMenu());
    QStringList top;
    for (QAction* a : menu->actions())
        top << a->text();
    EXPECT_EQ(top, (QStringList{"Coller ici", QStringLiteral("Collage spécial"), "Annuler"}));
    QStringList blends;
    std::vector<int> ids;
    for (QAction* a : menu->actions()[1]->menu()->actions())
    {
        blends << a->text();
        ids.push_back(CommandIdOf(a));
    }
    EXPECT_EQ(blends,
              (QStringList{"Et (AND)", "Ou (OR)", "Ou Exclusif (XOR)", "Ou Exclusif (XOR) + offset 128",
                           "Minimum", "Maximum", "Moyenne", QStringLiteral("Différence"),
                           QStringLiteral("Différence absolue"), QStringLiteral("Différence + offset 128")}));
    EXPECT_EQ(ids, (std::vector<int>{33035, 33037, 33038, 33039, 33040, 33041, 33042, 33043, 33044, 33045}));

    // "Différence absolue": |10 - 20| = 10.
    EXPECT_TRUE(overlay->OnCommand(33044));
    EXPECT_FALSE(overlay->IsOpen());
    EXPECT_EQ(f.doc->GetImage().PixelAddress(3, 3)[0], 10);
    EXPECT_TRUE(f.doc->CanUndo());
}

TEST(OverlayWin, ItsRightButtonMenuIsTheOnlyOneShown)
{
    // A choice in the paste window's menu, by mouse and by the menu key: the view's own menu
    // (whose "Coller" would start another paste) must not follow.
    struct CountingFrame : IChildFrame
    {
        int MenuId() const override { return 129; }
        CBitmapViewBase* View() const override { return nullptr; }
        bool OnCommand(int) override { return false; }
        void OnMDIActivate(bool) override {}
        void OnContextMenu(int, int) override { ++menus; }
        int menus = 0;
    };
    for (auto reason : {QContextMenuEvent::Mouse, QContextMenuEvent::Keyboard})
    {
        Fixture f(testimg::Flat(40, 40, 24, 0, 0, 0), testimg::Flat(8, 8, 24, 50, 60, 70));
        CountingFrame frame;
        f.view->SetFrame(&frame);
        COverlayWin* overlay = f.PasteAt(4, 4);
        ASSERT_NE(overlay, nullptr);
        QStringList shown;
        QTimer::singleShot(0,
                           [&shown]
                           {
                               auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                               ASSERT_NE(menu, nullptr);
                               for (QAction* a : menu->actions())
                                   shown << a->text();
                               menu->setActiveAction(menu->actions().last()); // "Annuler"
                               QTest::keyClick(menu, Qt::Key_Return);
                           });
        const QPoint at(3, 3);
        if (reason == QContextMenuEvent::Mouse)
        {
            QMouseEvent press(QEvent::MouseButtonPress, at, overlay->mapToGlobal(at), Qt::RightButton,
                              Qt::RightButton, Qt::NoModifier);
            QApplication::sendEvent(overlay, &press);
        }
        // Sent as the windows send it, so that what nobody takes goes on to the view.
        QContextMenuEvent context(reason, at, overlay->mapToGlobal(at));
        QApplication::sendEvent(overlay, &context);
        EXPECT_EQ(shown.value(0), QStringLiteral("Coller ici"));
        EXPECT_FALSE(overlay->IsOpen()) << "Annuler closes the window";
        EXPECT_EQ(frame.menus, 0) << "reason " << int(reason);
        EXPECT_TRUE(testimg::SamePixels(f.doc->GetImage(), f.original));
        f.view->SetFrame(nullptr);
    }
}

TEST(OverlayWin, RefusedPasteStillCloses)
{
    FCObjImage grey;
    ASSERT_TRUE(grey.Create(10, 10, 8));
    Fixture f(std::move(grey), testimg::Flat(3, 3, 24, 1, 2, 3));
    COverlayWin* overlay = f.PasteAt(1, 1);
    ASSERT_NE(overlay, nullptr);
    f.Key(overlay, Qt::Key_Enter);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].text, L"Problème de format d'image : 24 et 32 bits uniquement");
    EXPECT_FALSE(overlay->IsOpen());
}

TEST(OverlayWin, BackgroundFollowsADepthChangeWhileOpen)
{
    Fixture f(testimg::Flat(20, 20, 24, 5, 5, 5), testimg::Flat(4, 4, 24, 1, 2, 3));
    COverlayWin* overlay = f.PasteAt(2, 2);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->Background().ColorBits(), 24);
    f.doc->OnCommand(32908); // "Convertir 32 bits RVBA" while the window is open
    f.Key(overlay, Qt::Key_Right);
    EXPECT_EQ(overlay->Background().ColorBits(), 32);
}

TEST(OverlayWin, ViewGoesWhileTheWindowIsOpen)
{
    auto* f = new Fixture(testimg::Flat(20, 20, 24, 0, 0, 0), testimg::Flat(3, 3, 24, 9, 9, 9));
    ASSERT_NE(f->PasteAt(1, 1), nullptr);
    // The window goes with its view, before the view leaves its document (AddressSanitizer
    // watches this one).
    delete f;
}

TEST(OverlayWin, PaintsThePictureAtHalfOpacityOverTheDocumentAndBlackBeyondIt)
{
    // A white picture pasted so that its two right columns lie beyond the document's edge.
    Fixture f(testimg::Flat(20, 20, 24, 100, 100, 100), testimg::Flat(6, 4, 24, 255, 255, 255));
    COverlayWin* overlay = f.PasteAt(16, 2);
    ASSERT_NE(overlay, nullptr);
    ASSERT_EQ(overlay->size(), QSize(6, 4));
    const QImage shot = overlay->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // 127 (white at alpha 127, premultiplied) + what lies under it x (255 - 127) / 255.
    EXPECT_NEAR(qRed(shot.pixel(2, 2)), 127 + 100 * 128 / 255, 1) << "over the document";
    EXPECT_NEAR(qGreen(shot.pixel(2, 2)), 127 + 100 * 128 / 255, 1);
    EXPECT_NEAR(qRed(shot.pixel(4, 2)), 127, 1) << "over black, beyond the document";
    // Nothing of the document changed by showing it.
    EXPECT_TRUE(testimg::SamePixels(f.doc->GetImage(), f.original));
}
