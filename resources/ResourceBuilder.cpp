#include "resources/ResourceBuilder.h"

#include "platform/qt/CommandTarget.h"
#include "resources/CommandIds.h"
#include "resources/IconArt.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

QString ResString(int id)
{
    const std::string_view text = ResourceString(id);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString PlainMenuText(const QString& text)
{
    QString head = text.section(QLatin1Char('\t'), 0, 0);
    QString out;
    for (int i = 0; i < head.size(); ++i)
    {
        if (head[i] == QLatin1Char('&'))
        {
            if (i + 1 < head.size() && head[i + 1] == QLatin1Char('&'))
            {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += head[i];
    }
    return out;
}

QPixmap ArtPixmap(const char* name, int scale)
{
    const IconArt* art = name ? FindIconArt(name) : nullptr;
    if (!art || scale < 1) return {};
    QImage image(20, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
        {
            const char c = art->rows[y][x];
            image.setPixel(x, y, c == '.' ? 0u : IconArtColour(c));
        }
    if (scale > 1)
        image = image.scaled(20 * scale, 20 * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return QPixmap::fromImage(image);
}

QPixmap StripImage(int toolbarId, int index)
{
    const auto strip = ToolBarStrip(toolbarId);
    if (index < 0 || std::size_t(index) >= strip.size()) return {};
    return ArtPixmap(strip[std::size_t(index)]);
}

QIcon StripIcon(int toolbarId, int index)
{
    const auto strip = ToolBarStrip(toolbarId);
    if (index < 0 || std::size_t(index) >= strip.size()) return {};
    QIcon icon;
    for (int scale = 1; scale <= 4; ++scale)
        icon.addPixmap(ArtPixmap(strip[std::size_t(index)], scale));
    return icon;
}

QIcon CommandIcon(int id)
{
    QIcon fallback;
    for (const ToolBarButton& b : ToolBarResource(kResMainFrame))
        if (b.id == id) fallback = StripIcon(kResMainFrame, b.image);
    if (const char* name = ThemeIconName(id)) return QIcon::fromTheme(QString::fromLatin1(name), fallback);
    return fallback;
}

CCommandActions::CCommandActions(std::function<void(int)> dispatch, QObject* parent)
    : QObject(parent), m_dispatch(std::move(dispatch))
{
}

QAction* CCommandActions::Find(int id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QAction* CCommandActions::Action(int id, const QString& text)
{
    if (QAction* existing = Find(id)) return existing;
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setToolTip(PlainMenuText(text));
    action->setIcon(CommandIcon(id));
    action->setIconVisibleInMenu(true);
    connect(action, &QAction::triggered, this,
            [this, id]
            {
                if (m_dispatch) m_dispatch(id);
            });
    m_actions[id] = action;
    return action;
}

void FillMenu(QMenu* menu, std::span<const MenuEntry> entries, CCommandActions& actions)
{
    for (const MenuEntry& e : entries)
    {
        if (!e.children.empty())
        {
            QMenu* sub = menu->addMenu(QString::fromUtf8(e.text));
            FillMenu(sub, e.children, actions);
        }
        else if (e.id == 0)
            menu->addSeparator();
        else
            menu->addAction(actions.Action(e.id, QString::fromUtf8(e.text)));
    }
}

void FillMenuBar(QMenuBar* bar, int menuId, CCommandActions& actions)
{
    for (const MenuEntry& e : MenuResource(menuId))
    {
        QMenu* popup = bar->addMenu(QString::fromUtf8(e.text));
        FillMenu(popup, e.children, actions);
    }
}

namespace
{
void FillOwn(QMenu* menu, std::span<const MenuEntry> entries)
{
    for (const MenuEntry& e : entries)
    {
        if (!e.children.empty())
            FillOwn(menu->addMenu(QString::fromUtf8(e.text)), e.children);
        else if (e.id == 0)
            menu->addSeparator();
        else
            menu->addAction(QString::fromUtf8(e.text))->setData(e.id);
    }
}
} // namespace

QMenu* BuildContextMenu(int menuId, QWidget* parent)
{
    const auto entries = MenuResource(menuId);
    if (entries.empty()) return nullptr;
    auto* menu = new QMenu(parent);
    FillOwn(menu, entries.front().children);
    return menu;
}

QAction* FindMenuAction(const QMenu* menu, int id)
{
    if (!menu) return nullptr;
    for (QAction* a : menu->actions())
    {
        if (a->menu())
        {
            if (QAction* found = FindMenuAction(a->menu(), id)) return found;
        }
        else if (!a->isSeparator() && CommandIdOf(a) == id)
            return a;
    }
    return nullptr;
}

void FillToolBar(QToolBar* bar, int toolbarId, CCommandActions& actions)
{
    const auto strip = ToolBarStrip(toolbarId);
    for (const ToolBarButton& b : ToolBarResource(toolbarId))
    {
        if (b.id == 0)
        {
            bar->addSeparator();
            continue;
        }
        QAction* action = actions.Find(b.id);
        if (!action)
        {
            // A button without a menu item takes its text from the string table.
            const char* text = CommandMenuText(b.id);
            action = actions.Action(b.id, text ? QString::fromUtf8(text) : ResString(b.id));
            if (std::size_t(b.image) < strip.size()) action->setIcon(StripIcon(toolbarId, b.image));
        }
        bar->addAction(action);
    }
}

namespace
{
std::map<int, QIcon>& BitmapMap()
{
    static std::map<int, QIcon> map;
    return map;
}
} // namespace

QIcon MenuItemBitmaps::FromImageList(int id, int toolbarId, int index)
{
    auto& map = BitmapMap();
    if (const auto it = map.find(id); it != map.end()) return it->second;
    const QIcon icon = StripIcon(toolbarId, index);
    if (icon.isNull()) return {};
    map[id] = icon;
    return icon;
}

void MenuItemBitmaps::ApplyToMenu(QMenu* menu)
{
    if (!menu) return;
    const auto& map = BitmapMap();
    for (QAction* a : menu->actions())
    {
        if (a->menu())
            ApplyToMenu(a->menu());
        else if (const auto it = map.find(CommandIdOf(a)); it != map.end())
            a->setIcon(it->second);
    }
}

void MenuItemBitmaps::Clear()
{
    BitmapMap().clear();
}

bool MenuItemBitmaps::Contains(int id)
{
    return BitmapMap().count(id) != 0;
}

int CMenuPictureStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                   const QWidget* widget) const
{
    if (metric == PM_SmallIconSize && qobject_cast<const QMenu*>(widget)) return 20;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
