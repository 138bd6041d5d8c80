#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "resources/IconArt.h"
#include "resources/ResourceBuilder.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cstring>
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
    for (int toolbar : {kResMainFrame, kResPreviewToolBar})
        for (const char* name : ToolBarStrip(toolbar))
            EXPECT_NE(FindIconArt(name), nullptr) << name;
    const QImage picture = StripImage(kResMainFrame, 13).toImage();
    EXPECT_EQ(picture.size(), QSize(20, 20));
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "the mask colour is transparent";
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
