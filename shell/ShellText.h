// Texts and small rules of the shell that need no window: status panes, the about box's
// figures, command-line arguments, the last folder, the open dialog's preview, the new-image
// dialog's numbers.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

#include "platform/WinTypes.h"

// The cursor pane: "(x, y)" when both are not negative, else empty.
QString CursorPaneText(std::int64_t x, std::int64_t y);
// The selection pane: "l,t -> r,b" 1-based from the packed corners (signed 16-bit halves); empty
// when either is -1.
QString SelectionPaneText(std::int64_t wParam, std::int64_t lParam);

// The about box's version line: description, a space, version, then "    64 bits".
QString AboutVersionLine(const QString& description, const QString& version);
// "%lu M libre / %lu M total" of the bytes available and in total (MiB, truncated); at most 128
// characters.
QString AboutMemoryText(std::uint64_t availableBytes, std::uint64_t totalBytes);
// The volume label of a folder: the text up to a colon found after its first character, or two
// backslashes and the server name; empty otherwise (every POSIX path).
QString DiskLabel(const QString& folder);
// "%s %lu M libre" (MiB, truncated); at most 80 characters.
QString AboutDiskText(const QString& label, std::uint64_t freeBytes);

// A command-line argument as a file name: as given when such a file exists, else with every
// double quote removed.
QString CleanArgument(const QString& argument, const std::function<bool(const QString&)>& exists);

// The folder of a path: the text before its last '/' ("/" for a file at the root); the current
// folder unchanged when the path has no '/'.
QString LastDirectoryOf(const QString& path, const QString& current);

// The open dialog's preview.
bool IsExcludedFromPreview(const QString& path);
QString PreviewTypeName(int type);
QString PreviewWidthText(int width);
QString PreviewHeightText(int height);
QString PreviewFormatText(int bpp);
QString PreviewSizeText(std::int64_t bytes);
// The picture fitted into the box (shrunk by one ratio, each side at least 1, never enlarged),
// centred; an empty rectangle when the picture or the box has no area.
RECT FitPreview(int w, int h, int boxW, int boxH);

// The extension a file-type label of the save dialog names (".jpg" for "Fichiers Jpeg
// (*.jpg;*.jpeg)"); empty when it names none or several ("Tous (*.*)", "Fichiers images connus").
QString ExtensionOfTypeLabel(const QString& label);
// The path with the extension of its file name replaced (or added).
QString RenameExtension(const QString& path, const QString& extension);

// A whole number as a dialog field holds it: optional blanks, an optional sign, digits, within
// the signed 32-bit range. False for anything else.
bool ParseDialogInt(const QString& text, int& value);
