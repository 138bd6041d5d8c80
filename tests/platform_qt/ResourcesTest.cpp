#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "resources/IconArt.h"
#include "resources/ResourceBuilder.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

TEST(Resources, TextsKeepTheirAccentsAndMarks)
{
    EXPECT_EQ(ResString(57345), QStringLiteral("Prêt"));
    EXPECT_EQ(ResString(128), QStringLiteral("Orvalis 5"));
    EXPECT_EQ(QString::fromUtf8(CommandMenuText(kCmdWindowTileHorz)),
              QStringLiteral("Mosaïque &Horizontale"));
    EXPECT_EQ(QString::fromUtf8(CommandMenuText(kCmdNewFromClipboard)),
              QStringLiteral("Créer à partir du presse-papiers"));
    EXPECT_EQ(QString::fromUtf8(CommandMenuText(kCmdEditRedo)), QStringLiteral("&Rétablir\tCtrl+Y"));
    EXPECT_EQ(QString::fromUtf8(CommandMenuText(kCmdPasteAbsDifference)),
              QStringLiteral("Différence absolue"));
    EXPECT_EQ(PlainMenuText(QStringLiteral("&Copier\tCtrl+C")), QStringLiteral("Copier"));
    EXPECT_EQ(PlainMenuText(QStringLiteral("Contraste && Luminosité...")),
              QStringLiteral("Contraste & Luminosité..."));
}

TEST(Resources, EveryArtIsTwentyByTwentyInKnownColours)
{
    for (const IconArt& art : AllIconArt())
        for (int y = 0; y < 20; ++y)
        {
            ASSERT_EQ(std::strlen(art.rows[y]), 20u) << art.name << " row " << y;
            for (int x = 0; x < 20; ++x)
                EXPECT_NE(IconArtColour(art.rows[y][x]), 0xFFFF00FFu) << art.name << " " << x << "," << y;
        }
    for (int toolbar : {kResMainFrame, kResPreviewToolBar, kResImageToolBar})
        for (const char* name : ToolBarStrip(toolbar))
            EXPECT_NE(FindIconArt(name), nullptr) << name;
    const QImage picture = StripImage(kResMainFrame, 13).toImage();
    EXPECT_EQ(picture.size(), QSize(20, 20));
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "the mask colour is transparent";
}

TEST(Resources, StripPicturesStaySharpOnDenserScreens)
{
    // Each picture's pixels are repeated whole at two and three device pixels per screen pixel,
    // never smoothed from the small picture.
    for (int toolbar : {kResMainFrame, kResPreviewToolBar, kResImageToolBar, kResFourierToolBar})
        for (int image = 0; image < int(ToolBarStrip(toolbar).size()); ++image)
        {
            const QIcon icon = StripIcon(toolbar, image);
            const QImage small = StripImage(toolbar, image).toImage().convertToFormat(QImage::Format_ARGB32);
            for (int scale : {1, 2, 3})
            {
                const QImage shown =
                    icon.pixmap(QSize(20, 20), qreal(scale)).toImage().convertToFormat(QImage::Format_ARGB32);
                ASSERT_EQ(shown.size(), QSize(20 * scale, 20 * scale)) << toolbar << " " << image;
                int wrong = 0;
                for (int y = 0; y < shown.height(); ++y)
                    for (int x = 0; x < shown.width(); ++x)
                        wrong += shown.pixel(x, y) != small.pixel(x / scale, y / scale);
                EXPECT_EQ(wrong, 0) << "toolbar " << toolbar << " picture " << image << " at " << scale;
            }
        }
    EXPECT_TRUE(StripIcon(kResImageToolBar, 15).isNull());
    EXPECT_TRUE(StripIcon(kResImageToolBar, -1).isNull());
}

TEST(Resources, MenusShowTheirPicturesAtTheStripsOwnSize)
{
    // A menu item's picture drawn whole, 20 x 20 as in its strip: every opaque pixel of the art
    // found on the menu as it is, none of them smoothed by a shrink to the style's icon size.
    CMenuPictureStyle style;
    QMenu menu;
    menu.setStyle(&style);
    QAction* item = menu.addAction(QStringLiteral("Miroir Horizontal"));
    item->setIcon(StripIcon(kResImageToolBar, 0));
    const QImage art = StripImage(kResImageToolBar, 0).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage shown = menu.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRect area = menu.actionGeometry(item);
    ASSERT_GE(area.height(), 20);
    auto drawnAt = [&](int left, int top)
    {
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                if (qAlpha(art.pixel(x, y)) == 255 && shown.pixel(left + x, top + y) != art.pixel(x, y))
                    return false;
        return true;
    };
    bool found = false;
    for (int top = area.top(); top + 20 <= area.bottom() + 1 && !found; ++top)
        for (int left = area.left(); left < area.left() + 40 && !found; ++left)
            found = drawnAt(left, top);
    EXPECT_TRUE(found) << "the mirror picture is not on its menu item whole";
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SmallIconSize, nullptr, &menu), 20);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SmallIconSize, nullptr, nullptr),
              QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize))
        << "other small icons keep the platform's size";
}

TEST(Resources, FourierToolBarsListTheFiltersInPictureOrder)
{
    struct Expected
    {
        int toolbar;
        std::vector<int> ids; // 0 for a separator
    };
    const Expected cases[] = {
        {238, {33088, 33089, 33090, 33091, 33099, 33092, 33093, 33097, 33096, 33098, 33094, 33100, 33095}},
        {239,
         {33106, 33107, 33108, 33109, 33117, 33110, 0, 33111, 0, 33115, 33114, 33116, 33112, 33118, 33113}},
    };
    for (const Expected& c : cases)
    {
        std::vector<int> ids;
        int nextImage = 0;
        for (const ToolBarButton& b : ToolBarResource(c.toolbar))
        {
            ids.push_back(b.id);
            if (b.id != 0)
            {
                EXPECT_EQ(b.image, nextImage++) << c.toolbar << " button " << b.id;
            }
        }
        EXPECT_EQ(ids, c.ids) << c.toolbar;
        ASSERT_EQ(ToolBarStrip(c.toolbar).size(), 13u) << c.toolbar;
        for (const char* name : ToolBarStrip(c.toolbar))
            EXPECT_NE(FindIconArt(name), nullptr) << name;
    }
}

TEST(Resources, FourierPicturesShowWhatEachFilterKeeps)
{
    // Each picture is the frequency plane: bright where the filter keeps frequencies, dark where
    // it removes them. The centre is the lowest frequency, the inner corner the highest.
    struct Case
    {
        int id;
        bool keepsCentre;
        bool keepsCorner;
    };
    const Case cases[] = {
        {33106, true, false},  {33107, true, false},  {33108, true, false},  // low-pass
        {33115, false, true},  {33114, false, true},  {33116, false, true},  // high-pass
        {33109, false, false}, {33117, false, false}, {33110, false, false}, // band-pass
        {33112, true, true},   {33118, true, true},   {33113, true, true},   // band-stop
        {33111, true, false},                                                // Gaussian
    };
    auto bright = [](QRgb p) { return qGray(p) > 128; };
    std::vector<QImage> seen;
    for (const Case& c : cases)
    {
        int image = -1;
        for (const ToolBarButton& b : ToolBarResource(kResToolFrameToolBar))
            if (b.id == c.id) image = b.image;
        ASSERT_GE(image, 0) << c.id;
        const QImage picture = StripImage(kResToolFrameToolBar, image).toImage();
        ASSERT_EQ(picture.size(), QSize(20, 20)) << c.id;
        EXPECT_EQ(bright(picture.pixel(10, 10)), c.keepsCentre) << c.id;
        EXPECT_EQ(bright(picture.pixel(2, 2)), c.keepsCorner) << c.id;
        for (const QImage& other : seen)
            EXPECT_NE(picture, other) << c.id << " looks like another filter";
        seen.push_back(picture);
    }
    // A luminance filter and its Y+U+V twin (id + 18) show the same picture.
    for (const ToolBarButton& lum : ToolBarResource(kResFourierToolBar))
        for (const ToolBarButton& yuv : ToolBarResource(kResToolFrameToolBar))
            if (yuv.id == lum.id + 18)
            {
                EXPECT_EQ(StripImage(kResFourierToolBar, lum.image).toImage(),
                          StripImage(kResToolFrameToolBar, yuv.image).toImage())
                    << lum.id;
            }
}

TEST(Resources, ImageToolBarListsItsCommandsInPictureOrder)
{
    const std::vector<int> expected = {32901, 32900, 32897, 32898, 32930, 32927, 32911, 32933,
                                       32915, 32922, 33001, 57605, 32775, 32779, 32778};
    std::vector<int> ids;
    for (const ToolBarButton& b : ToolBarResource(kResImageToolBar))
    {
        EXPECT_EQ(b.image, int(ids.size())) << b.id;
        ids.push_back(b.id);
    }
    EXPECT_EQ(ids, expected);
    ASSERT_EQ(ToolBarStrip(kResImageToolBar).size(), expected.size());
    std::vector<QImage> seen;
    for (int image = 0; image < int(expected.size()); ++image)
    {
        const QImage picture = StripImage(kResImageToolBar, image).toImage();
        ASSERT_EQ(picture.size(), QSize(20, 20)) << image;
        for (const QImage& other : seen)
            EXPECT_NE(picture, other) << "picture " << image << " repeats another";
        seen.push_back(picture);
    }
}

namespace
{
QImage ImageToolBarPicture(int id)
{
    for (const ToolBarButton& b : ToolBarResource(kResImageToolBar))
        if (b.id == id)
            return StripImage(kResImageToolBar, b.image).toImage().convertToFormat(QImage::Format_ARGB32);
    return {};
}
} // namespace

TEST(Resources, MirrorPicturesShowAShapeAndItsReflection)
{
    // The shape and its reflection share one outline across the mirror's axis but not across the
    // other one; the reflection is drawn lighter than the shape.
    struct Case
    {
        int id;
        bool leftRight;
    };
    for (const Case c : {Case{kCmdMirror, true}, Case{kCmdFlip, false}})
    {
        const QImage picture = ImageToolBarPicture(c.id);
        ASSERT_EQ(picture.size(), QSize(20, 20)) << c.id;
        auto reflected = [](int x, int y, bool leftRight)
        { return leftRight ? QPoint(19 - x, y) : QPoint(x, 19 - y); };
        int acrossAxis = 0, acrossOther = 0, lighter = 0, darker = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
            {
                const QRgb p = picture.pixel(x, y);
                const QPoint m = reflected(x, y, c.leftRight);
                const QPoint o = reflected(x, y, !c.leftRight);
                acrossAxis += qAlpha(p) != qAlpha(picture.pixel(m));
                acrossOther += qAlpha(p) != qAlpha(picture.pixel(o));
                const bool first = c.leftRight ? x < 10 : y < 10;
                if (first && qAlpha(p) != 0)
                {
                    const int a = qGray(p), b = qGray(picture.pixel(m));
                    lighter += b > a;
                    darker += b < a;
                }
            }
        EXPECT_EQ(acrossAxis, 0) << c.id;
        EXPECT_GT(acrossOther, 20) << c.id << " looks like the other mirror";
        EXPECT_GT(lighter, 10) << c.id;
        EXPECT_EQ(darker, 0) << c.id;
    }
}

TEST(Resources, NegativePictureInvertsTheRightHalfOfAPhoto)
{
    // Inside the frame, every pixel of the right half is the negative of its mirror on the left,
    // as near as the palette allows; the left half is the photo itself (sky, sun, hill).
    const QImage picture = ImageToolBarPicture(kCmdInvert);
    ASSERT_EQ(picture.size(), QSize(20, 20));
    std::set<QRgb> left;
    for (int y = 2; y < 18; ++y)
        for (int x = 10; x < 18; ++x)
        {
            const QRgb shown = picture.pixel(x, y), original = picture.pixel(19 - x, y);
            left.insert(original);
            EXPECT_NEAR(qGray(shown), 255 - qGray(original), 64) << x << "," << y;
        }
    EXPECT_TRUE(left.count(IconArtColour('B')) && left.count(IconArtColour('y')) &&
                left.count(IconArtColour('G')));
}

TEST(Resources, MenusAndToolBarsShareOneActionPerCommand)
{
    std::vector<int> fired;
    CCommandActions actions([&fired](int id) { fired.push_back(id); });
    QMenuBar bar;
    FillMenuBar(&bar, kResImageFrame, actions);
    QToolBar tools;
    FillToolBar(&tools, kResMainFrame, actions);

    QStringList titles;
    for (QAction* a : bar.actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&Ficher", "&Edition", "&Image", "Effets", "&Traitements", "&Outils",
                                   "&Configuration", QStringLiteral("Fenêtre")}));

    QAction* copy = actions.Find(kCmdEditCopy);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(tools.actions().contains(copy));
    EXPECT_EQ(copy->text(), QStringLiteral("&Copier\tCtrl+C"));
    EXPECT_EQ(copy->toolTip(), QStringLiteral("Copier"));
    EXPECT_FALSE(copy->icon().isNull());
    copy->trigger();
    const QAction* zoom = FindMenuAction(bar.actions()[1]->menu(), kCmdZoom1_8);
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(zoom->text(), QStringLiteral("1/8"));
    EXPECT_EQ(fired, std::vector<int>{kCmdEditCopy});
}

TEST(Resources, ContextMenusHaveTheirOwnItemsInOrder)
{
    QWidget owner;
    std::unique_ptr<QMenu> menu(BuildContextMenu(kResImageContextMenu, &owner));
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    std::vector<int> ids;
    for (QAction* a : menu->actions())
    {
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        ids.push_back(CommandIdOf(a));
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Sélectionner tout"), QStringLiteral("Annuler la sélection"),
                                  "-", "C&ouper\tCtrl+X", "&Copier\tCtrl+C", "Co&ller\tCtrl+V"}));
    EXPECT_EQ(ids, (std::vector<int>{57642, 33015, 0, 57635, 57634, 57637}));
}

TEST(MenuItemBitmaps, CachedPerCommandAndAppliedToNestedMenus)
{
    MenuItemBitmaps::Clear();
    const QIcon first = MenuItemBitmaps::FromImageList(kCmdEditCopy, kResMainFrame, 13);
    ASSERT_FALSE(first.isNull());
    const QIcon again = MenuItemBitmaps::FromImageList(kCmdEditCopy, kResMainFrame, 12);
    EXPECT_EQ(again.cacheKey(), first.cacheKey()) << "the first picture stays even for another image";

    QMenu menu;
    QMenu* sub = menu.addMenu(QStringLiteral("sous-menu"));
    QAction* nested = sub->addAction(QStringLiteral("copier"));
    nested->setData(kCmdEditCopy);
    QAction* other = menu.addAction(QStringLiteral("autre"));
    other->setData(kCmdEditCut);
    MenuItemBitmaps::ApplyToMenu(&menu);
    EXPECT_EQ(nested->icon().cacheKey(), first.cacheKey());
    EXPECT_TRUE(other->icon().isNull());

    MenuItemBitmaps::Clear();
    EXPECT_FALSE(MenuItemBitmaps::Contains(kCmdEditCopy));
}
