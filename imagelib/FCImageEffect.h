// The effect interface every image operation derives from, and the progress observer through
// which long operations report and are cancelled.
#pragma once

#include "imagelib/FCObjImage.h"

#include <atomic>
#include <cstdint>

// Values of FCImageEffect::GetProcessMode.
enum : int
{
    kProcessWholeImage = 0,
    kProcessPerPixel = 1,
    kProcessPerRow = 2,
};

class FCProgressObserver
{
public:
    FCProgressObserver() = default;
    FCProgressObserver(const FCProgressObserver&) = delete;
    FCProgressObserver& operator=(const FCProgressObserver&) = delete;
    virtual ~FCProgressObserver() = default;

    // percent 0..100; false asks the work to stop.
    virtual bool OnProgress(int percent) = 0;

    // OnProgress, then: false (and the cancel flag set) when it answered false, else whether the
    // flag is still clear.
    bool UpdateProgress(int percent);

    // 0 while running, 1 once cancelled. Whoever starts a run clears it; the drivers never do,
    // so a flag left set stops the next run after its first row. Any thread may set it.
    int GetCancelFlag() const { return m_cancel.load(std::memory_order_relaxed); }
    void SetCancelFlag(int value) { m_cancel.store(value, std::memory_order_relaxed); }
    bool IsCancelled() const { return GetCancelFlag() != 0; }

private:
    std::atomic<std::int32_t> m_cancel{0};
};

class FCImageEffect
{
public:
    FCImageEffect() = default;
    FCImageEffect(const FCImageEffect&) = delete;
    FCImageEffect& operator=(const FCImageEffect&) = delete;
    virtual ~FCImageEffect() = default;

    // Default: the image has bits and 24 or 32 bits per pixel.
    virtual bool AcceptsImage(const FCObjImage& image);
    // kProcessWholeImage, kProcessPerPixel (the default) or kProcessPerRow.
    virtual int GetProcessMode() const { return kProcessPerPixel; }
    // Runs once on the calling thread before any per-pixel or per-row call; may replace the image.
    virtual void PrepareImage(FCObjImage& image) { (void)image; }
    // Per pixel: pixel points at the pixel's first byte (B). May run on several threads at once
    // for different rows: write only the pixel given.
    virtual void ApplyToPixel(FCObjImage& image, int x, int y, BYTE* pixel)
    {
        (void)image, (void)x, (void)y, (void)pixel;
    }
    // Whole image: the effect walks the image itself and reports its own progress.
    virtual void ApplyToImage(FCObjImage& image, FCProgressObserver* observer)
    {
        (void)image, (void)observer;
    }
    // Per row: row points at the row's first byte. Same threading rule as ApplyToPixel.
    virtual void ApplyToRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel)
    {
        (void)image, (void)y, (void)row, (void)bytesPerPixel;
    }
};
