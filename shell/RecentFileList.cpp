#include "shell/RecentFileList.h"

#include "platform/qt/CommandTarget.h"
#include "platform/qt/PathNames.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"

#include <QAction>
#include <QFileInfo>

#include <climits>
#include <cstdlib>
#include <QMenu>

#include <algorithm>

void CRecentFileList::SetMaxEntries(int max)
{
    m_max = std::clamp(max, kLowest, kHighest);
    while (m_entries.size() > m_max)
        m_entries.removeFirst();
}

void CRecentFileList::SetEntries(const QStringList& oldestFirst)
{
    m_entries = oldestFirst;
    while (m_entries.size() > m_max)
        m_entries.removeFirst();
}

bool CRecentFileList::SamePath(const QString& a, const QString& b)
{
    // The file's real name, links followed, by its bytes (Qt's own answer would confuse names
    // that are not UTF-8 with one another).
    auto key = [](const QString& p)
    {
        char real[PATH_MAX];
        if (::realpath(NativePath(p).constData(), real)) return QPathFromNative(real);
        return AbsolutePath(p);
    };
    return a == b || key(a) == key(b);
}

void CRecentFileList::Add(const QString& path)
{
    for (int i = 0; i < m_entries.size(); ++i)
        if (SamePath(m_entries[i], path))
        {
            m_entries.removeAt(i);
            break;
        }
    if (m_entries.size() >= m_max) m_entries.removeFirst();
    m_entries.append(path);
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < m_entries.size()) m_entries.removeAt(index);
}

void CRecentFileList::MoveToTop(int index)
{
    if (index >= 0 && index < m_entries.size()) m_entries.append(m_entries.takeAt(index));
}

int CRecentFileList::IndexOfCommand(int id) const
{
    const int index = Count() - (id - kCmdFileMruFirst) - 1;
    if (id < kCmdFileMruFirst || id > kCmdFileMruLast || index < 0 || index >= Count()) return -1;
    return index;
}

QString CRecentFileList::ShortenPath(const QString& path, int limit)
{
    if (path.size() < limit) return path;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = slash >= 0 ? path.mid(slash) : path;
    const QString dots = QStringLiteral("...");
    const int room = limit - 1 - int(dots.size());
    if (name.size() >= room) return dots + name.right(room);
    return path.left(room - name.size()) + dots + name;
}

QStringList CRecentFileList::MenuTexts() const
{
    QStringList texts;
    for (int i = 0; i < m_entries.size(); ++i)
    {
        QString shown = DisplayPath(ShortenPath(m_entries[m_entries.size() - 1 - i]));
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        texts << QStringLiteral("&%1 %2").arg(i + 1).arg(shown);
    }
    return texts;
}

void CRecentFileList::RebuildMenu(QMenu* menu, CCommandActions& actions, const QString& placeholder) const
{
    if (!menu) return;
    const QList<QAction*> items = menu->actions();
    QAction* before = nullptr;
    bool found = false;
    for (QAction* a : items)
    {
        const int id = CommandIdOf(a);
        const bool recent =
            !a->isSeparator() && !a->menu() && id >= kCmdFileMruFirst && id <= kCmdFileMruLast;
        if (recent)
        {
            found = true;
            menu->removeAction(a);
        }
        else if (found && !before)
            before = a;
    }
    if (!found) return;
    const QStringList texts = MenuTexts();
    if (texts.isEmpty())
    {
        QAction* empty = actions.Action(kCmdFileMruFirst, placeholder);
        empty->setText(placeholder);
        empty->setEnabled(false);
        menu->insertAction(before, empty);
        return;
    }
    for (int i = 0; i < texts.size(); ++i)
    {
        QAction* a = actions.Action(kCmdFileMruFirst + i, texts[i]);
        a->setText(texts[i]);
        a->setToolTip(m_entries[m_entries.size() - 1 - i]);
        a->setIcon(QIcon());
        a->setEnabled(true);
        menu->insertAction(before, a);
    }
}
