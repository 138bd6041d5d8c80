// The recent-file list: the paths of the last files opened, the most recent last in memory and
// first in the menu, under commands 57616 and up.
#pragma once

#include <QStringList>

class QMenu;
class CCommandActions;

class CRecentFileList
{
public:
    static constexpr int kDefaultMax = 4;
    static constexpr int kLowest = 2;
    static constexpr int kHighest = 16;
    static constexpr int kTextLimit = 80;

    int MaxEntries() const { return m_max; }
    // Clamped to 2..16; the oldest entries beyond it go.
    void SetMaxEntries(int max);
    int Count() const { return int(m_entries.size()); }
    // Oldest first.
    const QStringList& Entries() const { return m_entries; }
    void SetEntries(const QStringList& oldestFirst);

    // The path becomes the most recent: an entry naming the same file goes first (the same file:
    // the same canonical path, letter case counting), and the oldest goes when the list is full.
    void Add(const QString& path);
    void Remove(int index);
    void MoveToTop(int index);
    void Clear() { m_entries.clear(); }

    // The entry index of a recent-file command (count - (id - 57616) - 1), or -1 when the id
    // names no entry.
    int IndexOfCommand(int id) const;

    // The menu texts, most recent first: "&1 path", "&2 path", ... with the path shortened to
    // the text limit and its own '&' doubled so that it shows as it is.
    QStringList MenuTexts() const;
    // A path of the limit or more keeps its beginning and its file name around "..."; a file
    // name too long for that keeps its end.
    static QString ShortenPath(const QString& path, int limit = kTextLimit);

    // Puts the list's commands into the menu at the place of the first recent-file command it
    // holds: one per entry, or the greyed placeholder 57616 when the list is empty.
    void RebuildMenu(QMenu* menu, CCommandActions& actions, const QString& placeholder) const;

    // Two paths that name the same file.
    static bool SamePath(const QString& a, const QString& b);

private:
    QStringList m_entries; // oldest first
    int m_max = kDefaultMax;
};
