#include "platform/qt/Clipboard.h"

#include "platform/WinTypes.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstring>

const char* const kClipboardBitmapMime = "image/bmp";

namespace
{
ClipboardState Query()
{
    ClipboardState state;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data) return state;
    state.openable = true;
    state.hasAny = !data->formats().isEmpty();
    state.hasImage = data->hasImage() || data->hasFormat(QString::fromLatin1(kClipboardBitmapMime));
    return state;
}

struct Cache
{
    bool valid = false;
    bool connected = false;
    ClipboardState state;
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}
} // namespace

ClipboardState GetClipboardState()
{
    Cache& cache = TheCache();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return {};
    if (!cache.connected)
    {
        cache.connected = true;
        QObject::connect(clipboard, &QClipboard::dataChanged, clipboard, [] { TheCache().valid = false; });
    }
    if (!cache.valid)
    {
        cache.state = Query();
        cache.valid = true;
    }
    return cache.state;
}

void SetClipboardBitmap(const QByteArray& dibBlock, const QImage& forOthers)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || dibBlock.size() < int(sizeof(BITMAPINFOHEADER))) return;
    BITMAPFILEHEADER file;
    file.bfType = 0x4D42; // "BM"
    file.bfSize = DWORD(sizeof file + std::size_t(dibBlock.size()));
    file.bfOffBits = DWORD(sizeof file + sizeof(BITMAPINFOHEADER));
    QByteArray bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(dibBlock);

    auto* data = new QMimeData;
    if (!forOthers.isNull()) data->setImageData(forOthers);
    data->setData(QString::fromLatin1(kClipboardBitmapMime), bytes);
    clipboard->setMimeData(data);
    TheCache().valid = false;
}

QByteArray GetClipboardBitmapBlock()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data || !data->hasFormat(QString::fromLatin1(kClipboardBitmapMime))) return {};
    const QByteArray bytes = data->data(QString::fromLatin1(kClipboardBitmapMime));
    if (bytes.size() < int(sizeof(BITMAPFILEHEADER)) || bytes[0] != 'B' || bytes[1] != 'M') return {};
    return bytes.mid(int(sizeof(BITMAPFILEHEADER)));
}

QImage GetClipboardImage()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->image() : QImage();
}

void EmptyClipboard()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->clear();
    TheCache().valid = false;
}
