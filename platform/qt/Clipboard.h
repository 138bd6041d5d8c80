// The clipboard as bitmap blocks. A picture goes out as "image/bmp" (a 14-byte file header
// followed by the device-independent bitmap block, byte for byte, alpha included), served at
// once; its "image/png" form for other programs joins it when a background job has made it. What
// the clipboard holds is cached and refreshed when its content changes, so that asking at every
// idle moment costs nothing.
#pragma once

#include <QByteArray>
#include <QImage>

#include <cstddef>

// The MIME type of the bitmap block.
extern const char* const kClipboardBitmapMime;

struct ClipboardState
{
    bool openable = false; // the clipboard could be asked at all
    bool hasAny = false;   // it holds at least one format
    bool hasImage = false; // it holds a picture (a bitmap block or any image format)
};

// The cached state (refreshed on every change of the clipboard's content).
ClipboardState GetClipboardState();

// Puts a bitmap block (without its file header) on the clipboard, replacing what it held, and
// starts making its PNG form (24- and 32-bit blocks) off the user-interface thread.
void SetClipboardBitmap(const QByteArray& dibBlock);
// The same for a block written by the caller after the 14-byte file header of BitmapFileFor
// (its block bytes left to fill): a big picture is copied once.
QByteArray BitmapFileFor(std::size_t blockSize);
void SetClipboardBitmapFile(const QByteArray& file);

// The bitmap block of "image/bmp" without its 14-byte file header; empty when there is none or
// the data is not a bitmap file.
QByteArray GetClipboardBitmapBlock();

// The clipboard's picture decoded by Qt (any image format); null when there is none.
QImage GetClipboardImage();

// Empties the clipboard.
void EmptyClipboard();

// Tests: whether every PNG encoding, the latest and those stopped, has returned; and a function
// called on the encoding's thread once a PNG is made, before it is handed over (null: none).
bool ClipboardPngJobsIdleForTesting();
void SetClipboardPngEncodedHookForTesting(void (*hook)());
