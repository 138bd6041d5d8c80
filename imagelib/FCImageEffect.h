// The effect interface every image operation derives from, and the progress observer through
// which long operations report and are cancelled.
#pragma once

#include "imagelib/FCObjImage.h"

#include <atomic>
#include <cstdint>
#include <memory>

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

// The one step every traversal takes after a row, a column or a stage of its work: reports the
// percentage and says whether to go on. With an observer it is UpdateProgress (a false answer
// sets the cancel flag; a flag set by any thread, earlier or now, stops the work); without one
// the work always goes on. A traversal that must go on to a next pass after a stop does its
// first row or stage only, then stops at that checkpoint again.
inline bool ProgressCheckpoint(FCProgressObserver* observer, int percent)
{
    return !observer || observer->UpdateProgress(percent);
}

// Whether a traversal that starts now must stop after its first step: the flag is already set.
inline bool ProgressCancelled(const FCProgressObserver* observer)
{
    return observer && observer->IsCancelled();
}

// What one thread of a run keeps from one call to the next: a row of results, a sliding
// histogram, a random generator. Effects derive their own and make it in CreateThreadState.
class FCEffectThreadState
{
public:
    FCEffectThreadState() = default;
    FCEffectThreadState(const FCEffectThreadState&) = delete;
    FCEffectThreadState& operator=(const FCEffectThreadState&) = delete;
    virtual ~FCEffectThreadState() = default;
};

// How per-pixel and per-row effects are visited.
//
// After PrepareImage (once, on the calling thread), a run cuts the image into bands of whole
// rows, one band per thread: with n threads, bands of height / n rows from the top, the last one
// taking the rows left over (one band for one thread). Each band is done on one thread, which
//   1. makes the effect's state for the band (CreateThreadState), on that thread;
//   2. visits the band's rows from its first row down: per row, ApplyToRow, or for a per-pixel
//      effect ApplyToPixelsOfRow, which must do what ApplyToPixel does for x = 0 .. width - 1 in
//      that order (the default does exactly that);
//   3. stops after the row in hand when the run is cancelled.
// Bands run at the same time, in any order, and a band may start at any row: an effect's bytes
// must not depend on where its state started nor on whether rows of other bands are done. A
// state is never shared between threads and never outlives its run. Once every band has ended,
// MergeThreadState is called on the calling thread for each state, in the order of the bands
// from the top (also after a cancel).
//
// Outside a run (an effect used by another one, a test) ApplyToPixel and ApplyToRow are called
// on their own, with no state: they must then give the same bytes, however slowly.
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

    // ---- One thread's share of a run (see the visiting rule above) ----

    // The state of one band, made on the band's thread after PrepareImage; null (the default)
    // when the effect keeps nothing between calls.
    virtual std::unique_ptr<FCEffectThreadState> CreateThreadState(const FCObjImage& image)
    {
        (void)image;
        return nullptr;
    }
    // Row y of a per-pixel run: ApplyToPixel for x = 0 .. width - 1, pixel after pixel. Effects
    // that work a row at a time do it here, with the band's state (null when they made none).
    virtual void ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                                    FCEffectThreadState* state);
    // Once per state after every band has ended, on the calling thread: where the effect
    // needs a total of what its bands saw.
    virtual void MergeThreadState(FCEffectThreadState& state) { (void)state; }
};
