// Runs a per-pixel or per-row effect over horizontal bands of rows on several threads: n - 1
// worker threads take bands of height / n rows from the top, the calling thread takes the last
// band with the rows left over and is the only one that reports progress.
#pragma once

#include "imagelib/FCImageEffect.h"

// The thread count actually used for a request: clamped to 1..8.
int ClampBandThreads(int threads);

// Prepares the effect (PrepareImage once, on the calling thread), reports 0 through
// UpdateProgress, then runs the bands. After each row of its band the calling thread reports
// p = 100 x (rows done) / (rows of its band); a false answer or a set cancel flag stops every
// band at its next row end. Workers are joined before it returns. A worker that cannot be
// started has its band processed on the calling thread. The caller checks AcceptsImage first.
// Effects of another mode than per pixel or per row are prepared and nothing more.
void ApplyEffectInBands(FCObjImage& image, FCImageEffect& effect, int threads, FCProgressObserver* observer);

// Tests: a function asked before worker k (0-based) is started; false makes the start fail as
// when the system refuses a thread. Null (the default) starts every worker.
void SetBandWorkerStartHookForTesting(bool (*hook)(int worker));

// What tests, benchmarks and the effect runner use: AcceptsImage (false: nothing done), then
// whole-image effects and every run on one thread through FCObjImage::ApplyEffect, the others
// through the bands.
bool RunEffect(FCObjImage& image, FCImageEffect& effect, int threads, FCProgressObserver* observer = nullptr);
