// Paths between the windows' strings and the program's wide paths. A file name that is not UTF-8
// keeps its bytes as lone surrogates (platform/TextConv.h): QString holds them as they are, but
// Qt's own conversions to wide strings and to the system's bytes replace them, and Qt's file
// dialogs do not list such names at all. These functions keep the bytes across.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

class QUrl;

// A QString path to the wide path of the interfaces, and the system's bytes from argv back.
std::wstring WidePath(const QString& path);
QString QPathFromWide(const std::wstring& path);
QString QPathFromNative(const char* bytes);
// The system's bytes of a QString path, for the calls Qt code makes itself.
QByteArray NativePath(const QString& path);
// The whole path of a file name, relative to the current folder when it is not absolute, with
// "." and ".." folded away (as QFileInfo::absoluteFilePath gives it, which loses kept bytes).
QString AbsolutePath(const QString& path);
// The local file a file: URL names (a dropped file), its bytes kept.
QString LocalPathOfUrl(const QUrl& url);
// For the user's eyes: each kept byte shown as U+FFFD.
QString DisplayPath(const QString& path);
// The folder a Qt dialog can start in: the path up to its first part that holds kept bytes (Qt
// cannot reach past it).
QString QtReachableFolder(const QString& folder);

// A path the user typed in a file dialog, for a file that the dialog could not show: each part
// of it that does not name an entry of its folder is looked for among the folder's names that
// are not UTF-8, read as Windows-1252 text (how such names are usually written, "café") or with
// U+FFFD for each byte that is not UTF-8 (how programs show them, "caf\uFFFD"). Gives the path
// with the bytes of the one entry found, or an empty string when a part names none (or more
// than one) of them. The path must be absolute.
QString ResolveTypedPath(const QString& path);
