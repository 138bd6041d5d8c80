// Builds Qt objects from the resource tables: menus, toolbars, shortcuts, icons and strings.
#pragma once

#include "resources/ResourceTables.h"

#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QProxyStyle>
#include <QString>

#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

// A string of the string table.
QString ResString(int id);

// A menu text without its mnemonics and without its accelerator part ("&Copier\tCtrl+C" gives
// "Copier"; "&&" gives "&"): what a tooltip shows.
QString PlainMenuText(const QString& text);

// Image index of a toolbar's strip as a 20 x 20 picture, the mask colour transparent; null when
// the strip or the index does not exist.
QPixmap StripImage(int toolbarId, int index);

// A picture of our own art by name (see IconArt), scaled by an integer factor.
QPixmap ArtPixmap(const char* name, int scale = 1);

// Image index of a toolbar's strip as an icon: the picture at one, two, three and four device
// pixels per art pixel, so that a denser screen shows it sharp instead of smoothed. Null when the
// strip or the index does not exist.
QIcon StripIcon(int toolbarId, int index);

// The icon of a command: the desktop theme's where a standard icon fits, else (or when the
// theme has none) our own picture from toolbar 128's strip. Null for a command without picture.
QIcon CommandIcon(int id);

// One shared QAction per command id, used by every menu bar and toolbar; triggering one calls
// the dispatcher with its id.
class CCommandActions : public QObject
{
    Q_OBJECT
public:
    explicit CCommandActions(std::function<void(int)> dispatch, QObject* parent = nullptr);

    // The action of the id; made on first use with this text (its icon and tooltip from it).
    QAction* Action(int id, const QString& text = QString());
    // The action of the id when it exists, else null.
    QAction* Find(int id) const;
    const std::map<int, QAction*>& All() const { return m_actions; }

private:
    std::function<void(int)> m_dispatch;
    std::map<int, QAction*> m_actions;
};

// Fills a menu bar with the popups of a menu resource, with the shared actions.
void FillMenuBar(QMenuBar* bar, int menuId, CCommandActions& actions);

// Adds the entries to a menu with the shared actions (popups recursively).
void FillMenu(QMenu* menu, std::span<const MenuEntry> entries, CCommandActions& actions);

// The first popup of a menu resource with actions of its own (data = the command id), for a
// context menu whose items are enabled case by case. Null when the menu does not exist.
QMenu* BuildContextMenu(int menuId, QWidget* parent);

// Finds an item of a menu (or of its popups) by command id.
QAction* FindMenuAction(const QMenu* menu, int id);

// Adds the buttons of a toolbar resource, with the shared actions.
void FillToolBar(QToolBar* bar, int toolbarId, CCommandActions& actions);

// The menu item bitmaps: one picture per command id for the whole process, made from a toolbar
// strip on first request and kept until Clear().
class MenuItemBitmaps
{
public:
    // The cached picture of the command, or one made now from image index of the strip.
    static QIcon FromImageList(int id, int toolbarId, int index);
    // Gives every item of the menu and of its popups whose id has a picture that picture.
    static void ApplyToMenu(QMenu* menu);
    static void Clear();
    static bool Contains(int id);
};

// The application's style: that of the platform, with the pictures of menu items at the 20 x 20
// size of the toolbar strips they come from (the base style would shrink them to its own small
// icon size, smoothing every pixel of the art).
class CMenuPictureStyle : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};
