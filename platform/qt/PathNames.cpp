#include "platform/qt/PathNames.h"

#include "platform/TextConv.h"

#include <QDir>
#include <QStringList>
#include <QUrl>

#include <climits>
#include <dirent.h>
#include <unistd.h>
#include <sys/stat.h>

std::wstring WidePath(const QString& path)
{
    return Utf16UnitsToWide(reinterpret_cast<const char16_t*>(path.utf16()), std::size_t(path.size()));
}

QString QPathFromWide(const std::wstring& path)
{
    const std::u16string units = WideToUtf16Units(path);
    return QString(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size()));
}

QString QPathFromNative(const char* bytes)
{
    return bytes ? QPathFromWide(NativeToPath(bytes)) : QString();
}

QByteArray NativePath(const QString& path)
{
    const std::string bytes = PathToNative(WidePath(path));
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QString AbsolutePath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/'))) return QDir::cleanPath(path);
    char buffer[PATH_MAX];
    const char* here = ::getcwd(buffer, sizeof buffer);
    return QDir::cleanPath((here ? QPathFromNative(here) : QDir::currentPath()) + QLatin1Char('/') + path);
}

QString LocalPathOfUrl(const QUrl& url)
{
    if (!url.isLocalFile()) return QString();
    // The path as it is encoded in the URL: percent escapes of the very bytes of the name.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return QPathFromNative(bytes.constData());
}

QString DisplayPath(const QString& path)
{
    return QPathFromWide(PathForDisplay(WidePath(path)));
}

QString QtReachableFolder(const QString& folder)
{
    for (qsizetype i = 0; i < folder.size(); ++i)
        if (folder[i].isSurrogate())
        {
            const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'), i);
            return slash <= 0 ? QStringLiteral("/") : folder.left(slash);
        }
    return folder;
}

QString ResolveTypedPath(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/'))) return QString();
    std::string resolved;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts)
    {
        const std::wstring wanted = WidePath(part);
        const std::string direct = resolved + "/" + PathToNative(wanted);
        struct stat st;
        if (::lstat(direct.c_str(), &st) == 0)
        {
            resolved = direct;
            continue;
        }
        DIR* folder = ::opendir(resolved.empty() ? "/" : resolved.c_str());
        if (!folder) return QString();
        std::string found;
        int matches = 0;
        while (const dirent* entry = ::readdir(folder))
        {
            const std::string name = entry->d_name;
            if (IsValidUtf8(name)) continue; // Qt would have shown it
            if (Bytes8ToWide(name) == wanted || PathForDisplay(NativeToPath(name)) == wanted)
            {
                found = name;
                ++matches;
            }
        }
        ::closedir(folder);
        if (matches != 1) return QString();
        resolved += "/" + found;
    }
    return resolved.empty() ? QStringLiteral("/") : QPathFromNative(resolved.c_str());
}
