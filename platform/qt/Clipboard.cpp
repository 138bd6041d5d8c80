#include "platform/qt/Clipboard.h"

#include "platform/BackgroundJob.h"
#include "platform/WinTypes.h"
#include "platform/imaging/DibBlockPng.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

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

namespace
{
const char* const kClipboardPngMime = "image/png";

// Tests: called on the encoding's thread once its PNG is made.
std::atomic<void (*)()> g_pngEncodedHook{nullptr};

// Makes the PNG form of the latest copy in a background job and adds it to that copy's data when
// it is ready, provided the copy is still what the clipboard holds. A newer copy only asks the
// older encoding to stop (it stops at its next row) and keeps its job aside until it has
// finished: the user-interface thread never waits for it. The program's end stops and joins
// every job left.
class CPngEncoder
{
public:
    static CPngEncoder& Instance()
    {
        static CPngEncoder encoder;
        return encoder;
    }

    void Start(QMimeData* target, QByteArray file)
    {
        Stop();
        m_target = target;
        const std::uint64_t generation = ++m_generation;
        try
        {
            auto job = std::make_unique<CBackgroundJob>();
            if (!job->Start(
                    [file, generation](const std::atomic<bool>& stop)
                    {
                        std::vector<BYTE> png;
                        const auto* block =
                            reinterpret_cast<const BYTE*>(file.constData()) + sizeof(BITMAPFILEHEADER);
                        if (!EncodeDibBlockAsPng(block, std::size_t(file.size()) - sizeof(BITMAPFILEHEADER),
                                                 png, &stop))
                            return;
                        if (const auto hook = g_pngEncodedHook.load()) hook();
                        QByteArray bytes(reinterpret_cast<const char*>(png.data()), qsizetype(png.size()));
                        QMetaObject::invokeMethod(
                            qApp, [generation, bytes] { Instance().Deliver(generation, bytes); },
                            Qt::QueuedConnection);
                    }))
                return; // no thread to be had: the copy goes without its PNG form
            m_job = std::move(job);
        }
        catch (const std::bad_alloc&)
        {
            // The same: the bitmap block alone.
        }
    }

    // Asks the running encoding to stop and keeps its job aside; returns at once.
    void Stop()
    {
        if (m_job)
        {
            m_job->RequestStop();
            try
            {
                m_stopped.push_back(std::move(m_job));
            }
            catch (const std::bad_alloc&)
            {
                m_job.reset(); // no room to keep it: waited for here (it stops at its next row)
            }
        }
        Reap(false);
    }

    // Whether every job, the running one and those stopped, has finished.
    bool Idle() const
    {
        return (!m_job || m_job->Finished()) &&
               std::all_of(m_stopped.begin(), m_stopped.end(),
                           [](const std::unique_ptr<CBackgroundJob>& job) { return job->Finished(); });
    }

private:
    CPngEncoder()
    {
        // Before the application object goes: the jobs post to it.
        qAddPostRoutine(
            []
            {
                Instance().Stop();
                Instance().Reap(true);
            });
    }

    // Lets the stopped jobs that have finished go; with wait, all of them (joined).
    void Reap(bool wait)
    {
        std::erase_if(m_stopped,
                      [wait](const std::unique_ptr<CBackgroundJob>& job) { return wait || job->Finished(); });
    }

    void Deliver(std::uint64_t generation, const QByteArray& png)
    {
        Reap(false);
        if (generation != m_generation || !m_target) return;
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (!clipboard || clipboard->mimeData() != m_target) return;
        m_target->setData(QString::fromLatin1(kClipboardPngMime), png);
    }

    std::unique_ptr<CBackgroundJob> m_job;
    std::vector<std::unique_ptr<CBackgroundJob>> m_stopped;
    QPointer<QMimeData> m_target;
    std::uint64_t m_generation = 0;
};
} // namespace

QByteArray BitmapFileFor(std::size_t blockSize)
{
    if (blockSize < sizeof(BITMAPINFOHEADER) || blockSize > std::size_t(INT_MAX) - sizeof(BITMAPFILEHEADER))
        return {};
    BITMAPFILEHEADER file;
    file.bfType = 0x4D42; // "BM"
    file.bfSize = DWORD(sizeof file + blockSize);
    file.bfOffBits = DWORD(sizeof file + sizeof(BITMAPINFOHEADER));
    QByteArray bytes(qsizetype(sizeof file + blockSize), Qt::Uninitialized);
    std::memcpy(bytes.data(), &file, sizeof file);
    return bytes;
}

void SetClipboardBitmapFile(const QByteArray& file)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || file.size() < qsizetype(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))) return;
    // The bitmap block is served as it is, at once, whatever its size. Nothing is converted on
    // demand here: another program asking for a compressed form while this one copies a big
    // picture would hold the user-interface thread for seconds.
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kClipboardBitmapMime), file);
    clipboard->setMimeData(data);
    TheCache().valid = false;
    CPngEncoder::Instance().Start(data, file);
}

void SetClipboardBitmap(const QByteArray& dibBlock)
{
    QByteArray file = BitmapFileFor(std::size_t(dibBlock.size()));
    if (file.isEmpty()) return;
    std::memcpy(file.data() + sizeof(BITMAPFILEHEADER), dibBlock.constData(), std::size_t(dibBlock.size()));
    SetClipboardBitmapFile(file);
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
    if (!clipboard) return {};
    QImage image = clipboard->image();
    // A bitmap block alone (ours, before its PNG form is made) is read as the bitmap it holds.
    if (image.isNull())
        if (const QMimeData* data = clipboard->mimeData();
            data && data->hasFormat(QString::fromLatin1(kClipboardBitmapMime)))
            image = QImage::fromData(data->data(QString::fromLatin1(kClipboardBitmapMime)), "BMP");
    return image;
}

void EmptyClipboard()
{
    CPngEncoder::Instance().Stop();
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->clear();
    TheCache().valid = false;
}

bool ClipboardPngJobsIdleForTesting()
{
    return CPngEncoder::Instance().Idle();
}

void SetClipboardPngEncodedHookForTesting(void (*hook)())
{
    g_pngEncodedHook.store(hook);
}
