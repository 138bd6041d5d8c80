// Two-dimensional Fourier transform of one float plane of an image (width x height values,
// row-major, row 0 at the top) into a centred spectrum, split into real and imaginary planes, and
// back. The zero frequency lands at (width / 2, height / 2). Buffers and plans are kept and reused
// while the size stays the same.
//
// One object may be used from several threads (the preview worker and the user-interface thread
// of one document): each call holds the object's lock for its whole length. Planning is made safe
// across objects once per process.
#pragma once

#include <fftw3.h>

#include <cstddef>
#include <mutex>

class FCObjImage;

class FFTW3Helper
{
public:
    // The first object of the process sets up FFTW's threads: its parallel loops run on the
    // threads of the run open on the calling thread (FCBandRunner.h).
    FFTW3Helper();
    FFTW3Helper(const FFTW3Helper&) = delete;
    FFTW3Helper& operator=(const FFTW3Helper&) = delete;
    virtual ~FFTW3Helper();

    // plane, re and im hold sizeSource.Width() x sizeSource.Height() values each. False, with
    // the outputs untouched, when the image is empty or the buffers or the plan cannot be had.
    bool Forward(const FCObjImage& sizeSource, const float* plane, float* re, float* im);
    // The inverse transform, normalised by 1 / (width x height); imaginary parts are dropped.
    bool Inverse(const FCObjImage& sizeSource, const float* re, const float* im, float* plane);

    // The planning step of Forward or Inverse alone.
    bool PlanForward(const FCObjImage& sizeSource);
    bool PlanInverse(const FCObjImage& sizeSource);

    // The size the buffers were made for; 0 x 0 before the first use or after a failure.
    unsigned PlannedWidth() const;
    unsigned PlannedHeight() const;

    // The number of threads every plan is made for (kMaxRunThreads), whatever the number of
    // threads that run it.
    static int PlanThreads();

private:
    bool PlanLocked(const FCObjImage& sizeSource, bool forward);
    void ReleaseLocked();

    mutable std::mutex m_lock;
    unsigned m_width = 0;
    unsigned m_height = 0;
    fftwf_complex* m_bufferA = nullptr;
    fftwf_complex* m_bufferB = nullptr;
    fftwf_plan m_forwardPlan = nullptr;
    fftwf_plan m_inversePlan = nullptr;
};
