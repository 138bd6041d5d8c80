#include "shell/ShellText.h"

#include <QStringList>

#include <algorithm>
#include <climits>

QString CursorPaneText(std::int64_t x, std::int64_t y)
{
    if (x < 0 || y < 0) return {};
    return QStringLiteral("(%1, %2)").arg(std::int32_t(x)).arg(std::int32_t(y));
}

QString SelectionPaneText(std::int64_t wParam, std::int64_t lParam)
{
    if (wParam == -1 || lParam == -1) return {};
    auto word = [](std::int64_t v, int shift)
    { return int(std::int16_t(std::int16_t((v >> shift) & 0xFFFF) + 1)); };
    return QStringLiteral("%1,%2 -> %3,%4")
        .arg(word(wParam, 0))
        .arg(word(wParam, 16))
        .arg(word(lParam, 0))
        .arg(word(lParam, 16));
}

QString AboutVersionLine(const QString& description, const QString& version)
{
    return description + QLatin1Char(' ') + version + QStringLiteral("    64 bits");
}

QString AboutMemoryText(std::uint64_t availableBytes, std::uint64_t totalBytes)
{
    return QStringLiteral("%1 M libre / %2 M total")
        .arg(availableBytes >> 20)
        .arg(totalBytes >> 20)
        .left(128);
}

QString DiskLabel(const QString& folder)
{
    const int colon = folder.indexOf(QLatin1Char(':'));
    if (colon > 0) return folder.left(colon + 1);
    if (folder.startsWith(QStringLiteral("\\\\")))
    {
        const int next = folder.indexOf(QLatin1Char('\\'), 2);
        return next < 0 ? folder : folder.left(next);
    }
    return {};
}

QString AboutDiskText(const QString& label, std::uint64_t freeBytes)
{
    return QStringLiteral("%1 %2 M libre").arg(label).arg(freeBytes >> 20).left(80);
}

QString CleanArgument(const QString& argument, const std::function<bool(const QString&)>& exists)
{
    if (exists && exists(argument)) return argument;
    QString cleaned = argument;
    cleaned.remove(QLatin1Char('"'));
    return cleaned;
}

QString LastDirectoryOf(const QString& path, const QString& current)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return current;
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

bool IsExcludedFromPreview(const QString& path)
{
    if (path.isEmpty()) return true;
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < path.lastIndexOf(QLatin1Char('/'))) return false;
    const QString ext = path.mid(dot + 1).toLower();
    return ext == QLatin1String("exe") || ext == QLatin1String("dll") || ext == QLatin1String("zip") ||
           ext == QLatin1String("rar");
}

QString PreviewTypeName(int type)
{
    static const char* const names[] = {"unknown", "Bmp", "Pcx", "Jpeg", "Gif",    "Targa", "Tiff",
                                        "Png",     "Psd", "Ico", "Xpm",  "Quilbe", "Custom"};
    if (type < 0 || type > 12) return {};
    return QString::fromLatin1(names[type]);
}

QString PreviewWidthText(int width)
{
    return QStringLiteral("Largeur : %1 pixels").arg(width, 4);
}

QString PreviewHeightText(int height)
{
    return QStringLiteral("Hauteur : %1 pixels").arg(height, 4);
}

QString PreviewFormatText(int bpp)
{
    return QStringLiteral("Format  : %1 bits/pixel").arg(bpp, 2);
}

QString PreviewSizeText(std::int64_t bytes)
{
    if (bytes > 10240) return QStringLiteral("Taille     : %1 Koctets").arg(bytes >> 10);
    return QStringLiteral("Taille     : %1 octets").arg(bytes);
}

RECT FitPreview(int w, int h, int boxW, int boxH)
{
    if (w <= 0 || h <= 0 || boxW <= 0 || boxH <= 0) return RECT{};
    int fw = w, fh = h;
    if (w > boxW || h > boxH)
    {
        const double r = std::min(double(boxW) / w, double(boxH) / h);
        fw = std::max(int(w * r), 1);
        fh = std::max(int(h * r), 1);
    }
    const int x = (boxW - fw) / 2, y = (boxH - fh) / 2;
    return RECT{x, y, x + fw, y + fh};
}

bool ParseDialogInt(const QString& text, int& value)
{
    int i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    if (i >= text.size()) return false;
    std::int64_t v = 0;
    for (; i < text.size(); ++i)
    {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9')) return false;
        v = v * 10 + (text[i].unicode() - '0');
        if (v > std::int64_t(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return false;
    value = int(v);
    return true;
}

QString ExtensionOfTypeLabel(const QString& label)
{
    const int open = label.indexOf(QLatin1Char('('));
    if (open <= 0) return {};
    QString rest = label.mid(open + 1);
    const int semicolon = rest.indexOf(QLatin1Char(';'));
    if (semicolon > 0) rest = rest.left(semicolon);
    const int close = rest.indexOf(QLatin1Char(')'));
    if (close > 0) rest = rest.left(close);
    if (rest.startsWith(QLatin1Char('*'))) rest.remove(0, 1);
    if (rest.contains(QLatin1Char('*')) || rest.isEmpty()) return {};
    return rest;
}

QString RenameExtension(const QString& path, const QString& extension)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash + 1 ? path.left(dot) : path;
    return stem + extension;
}
