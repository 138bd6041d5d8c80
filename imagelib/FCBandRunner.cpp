#include "imagelib/FCBandRunner.h"

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

namespace
{
std::atomic<bool (*)(int)> g_startHook{nullptr};

void ProcessRow(FCObjImage& image, FCImageEffect& effect, int mode, int y, int width, int step)
{
    BYTE* row = image.RowAddress(y);
    if (mode == kProcessPerRow)
        effect.ApplyToRow(image, y, row, step);
    else
        for (int x = 0; x < width; ++x, row += step)
            effect.ApplyToPixel(image, x, y, row);
}

// One band worker; its thread starts in the constructor and holds `this`, so a record never
// moves once built.
class EffectRowWorker
{
public:
    EffectRowWorker(FCObjImage& image, FCImageEffect& effect, int firstRow, int rowCount)
        : m_image(image), m_effect(effect), m_firstRow(firstRow), m_rowCount(rowCount)
    {
        m_thread = std::thread(&EffectRowWorker::Run, this);
    }
    EffectRowWorker(const EffectRowWorker&) = delete;
    EffectRowWorker& operator=(const EffectRowWorker&) = delete;
    ~EffectRowWorker()
    {
        if (m_thread.joinable()) m_thread.join();
    }

    void Stop()
    {
        m_run.exchange(0);
        Wait();
    }
    void Wait()
    {
        if (m_thread.joinable()) m_thread.join();
    }

private:
    void Run()
    {
        const int step = m_image.ColorBits() / 8;
        const int mode = m_effect.GetProcessMode();
        const int width = m_image.Width();
        for (int y = m_firstRow; y < m_firstRow + m_rowCount; ++y)
        {
            ProcessRow(m_image, m_effect, mode, y, width, step);
            if (m_run.load() == 0) return;
        }
    }

    FCObjImage& m_image;
    FCImageEffect& m_effect;
    int m_firstRow;
    int m_rowCount;
    std::atomic<std::int32_t> m_run{1};
    std::thread m_thread;
};
} // namespace

void SetBandWorkerStartHookForTesting(bool (*hook)(int worker))
{
    g_startHook.store(hook);
}

int ClampBandThreads(int threads)
{
    return threads < 1 ? 1 : (threads > 8 ? 8 : threads);
}

void ApplyEffectInBands(FCObjImage& image, FCImageEffect& effect, int threads, FCProgressObserver* observer)
{
    effect.PrepareImage(image);
    if (observer) observer->UpdateProgress(0);
    const int mode = effect.GetProcessMode();
    if ((mode != kProcessPerPixel && mode != kProcessPerRow) || !image.HasBits()) return;

    const int step = image.ColorBits() / 8;
    const int width = image.Width();
    const int height = image.Height();
    const int n = ClampBandThreads(threads);
    const int band = height / n;

    std::array<std::unique_ptr<EffectRowWorker>, 7> workers;
    // Bands whose worker could not be started, done here after the last band.
    std::array<bool, 7> inline_band{};
    for (int k = 0; k + 1 < n; ++k)
    {
        if (band == 0) break; // the workers would get no rows
        try
        {
            if (const auto hook = g_startHook.load(); hook && !hook(k))
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            workers[std::size_t(k)] = std::make_unique<EffectRowWorker>(image, effect, k * band, band);
        }
        catch (const std::system_error&)
        {
            inline_band[std::size_t(k)] = true;
        }
    }

    const int first = (n - 1) * band;
    const int count = height - first;
    bool stopped = false;
    for (int i = 0; i < count && !stopped; ++i)
    {
        ProcessRow(image, effect, mode, first + i, width, step);
        if (observer)
        {
            const int p = int((100LL * (i + 1)) / count);
            if (!observer->OnProgress(p))
            {
                observer->SetCancelFlag(1);
                stopped = true;
            }
            else if (observer->IsCancelled())
                stopped = true;
        }
    }
    for (int k = 0; k + 1 < n && !stopped; ++k)
    {
        if (!inline_band[std::size_t(k)]) continue;
        for (int y = k * band; y < (k + 1) * band; ++y)
        {
            ProcessRow(image, effect, mode, y, width, step);
            if (observer && observer->IsCancelled())
            {
                stopped = true;
                break;
            }
        }
    }

    const bool cancelled = observer && observer->IsCancelled();
    for (auto& worker : workers)
    {
        if (!worker) continue;
        if (cancelled)
            worker->Stop();
        else
            worker->Wait();
        worker.reset();
    }
}

bool RunEffect(FCObjImage& image, FCImageEffect& effect, int threads, FCProgressObserver* observer)
{
    if (!effect.AcceptsImage(image)) return false;
    if (effect.GetProcessMode() == kProcessWholeImage || ClampBandThreads(threads) == 1)
        FCObjImage::ApplyEffect(image, effect, observer);
    else
        ApplyEffectInBands(image, effect, threads, observer);
    return true;
}
