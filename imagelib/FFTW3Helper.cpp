#include "imagelib/FFTW3Helper.h"

#include "imagelib/FCLargeArrays.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/FCParallel.h"

#include <algorithm>

namespace
{
std::once_flag g_threadsReady;

// FFTW's parallel loops, run on the threads of the run open on the calling thread: all of them
// on the caller outside a run. The plans are always made for kMaxRunThreads threads, so that
// they, and the bytes they give, do not depend on how many threads actually run them.
void RunTransformJobs(void* (*work)(char*), char* jobs, std::size_t size, int count, void*)
{
    ParallelParts(std::size_t(count), 1,
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                          work(jobs + i * size);
                  });
}

void SetUpThreads()
{
    std::call_once(g_threadsReady,
                   []
                   {
                       fftwf_init_threads();
                       // Two documents may plan at once, each on its own thread.
                       fftwf_make_planner_thread_safe();
                       fftwf_threads_set_callback(RunTransformJobs, nullptr);
                       fftwf_plan_with_nthreads(kMaxRunThreads);
                   });
}
} // namespace

FFTW3Helper::FFTW3Helper()
{
    SetUpThreads();
}

FFTW3Helper::~FFTW3Helper()
{
    std::lock_guard<std::mutex> hold(m_lock);
    ReleaseLocked();
}

int FFTW3Helper::PlanThreads()
{
    SetUpThreads();
    return kMaxRunThreads;
}

unsigned FFTW3Helper::PlannedWidth() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_width;
}

unsigned FFTW3Helper::PlannedHeight() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_height;
}

void FFTW3Helper::ReleaseLocked()
{
    if (m_forwardPlan) fftwf_destroy_plan(m_forwardPlan);
    if (m_inversePlan) fftwf_destroy_plan(m_inversePlan);
    m_forwardPlan = m_inversePlan = nullptr;
    fftwf_free(m_bufferA);
    fftwf_free(m_bufferB);
    m_bufferA = m_bufferB = nullptr;
    m_width = m_height = 0;
}

bool FFTW3Helper::PlanLocked(const FCObjImage& sizeSource, bool forward)
{
    if (sizeSource.Width() < 1 || sizeSource.Height() < 1) return false;
    const unsigned w = unsigned(sizeSource.Width());
    const unsigned h = unsigned(sizeSource.Height());
    fftwf_plan& plan = forward ? m_forwardPlan : m_inversePlan;
    const bool sameSize = w == m_width && h == m_height;
    if (plan && m_bufferA && m_bufferB && sameSize) return true;

    if (plan) fftwf_destroy_plan(plan);
    plan = nullptr;
    if (!sameSize || !m_bufferA || !m_bufferB)
    {
        // A new size makes the other direction's plan stale too.
        ReleaseLocked();
        const std::size_t count = std::size_t(w) * std::size_t(h);
        m_bufferA = fftwf_alloc_complex(count);
        m_bufferB = fftwf_alloc_complex(count);
        if (!m_bufferA || !m_bufferB)
        {
            ReleaseLocked();
            return false;
        }
        AdviseHugePages(m_bufferA, count * sizeof(fftwf_complex));
        AdviseHugePages(m_bufferB, count * sizeof(fftwf_complex));
        m_width = w;
        m_height = h;
    }
    // FFTW_ESTIMATE leaves the arrays alone while planning.
    if (forward)
        plan = fftwf_plan_dft_2d(int(h), int(w), m_bufferA, m_bufferB, FFTW_FORWARD, FFTW_ESTIMATE);
    else
        plan = fftwf_plan_dft_2d(int(h), int(w), m_bufferB, m_bufferA, FFTW_BACKWARD, FFTW_ESTIMATE);
    return plan != nullptr;
}

bool FFTW3Helper::PlanForward(const FCObjImage& sizeSource)
{
    std::lock_guard<std::mutex> hold(m_lock);
    return PlanLocked(sizeSource, true);
}

bool FFTW3Helper::PlanInverse(const FCObjImage& sizeSource)
{
    std::lock_guard<std::mutex> hold(m_lock);
    return PlanLocked(sizeSource, false);
}

bool FFTW3Helper::Forward(const FCObjImage& sizeSource, const float* plane, float* re, float* im)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!plane || !re || !im || !PlanLocked(sizeSource, true)) return false;
    const std::size_t w = m_width, h = m_height;
    fftwf_complex* bufferA = m_bufferA;
    const fftwf_complex* bufferB = m_bufferB;
    // Multiplying by (-1)^(x + y) moves the zero frequency to the centre.
    ParallelRows(int(h), int(w),
                 [&](int firstRow, int endRow)
                 {
                     for (std::size_t y = std::size_t(firstRow); y < std::size_t(endRow); ++y)
                     {
                         const float* src = plane + y * w;
                         fftwf_complex* dst = bufferA + y * w;
                         const float first = (y & 1) ? -1.0f : 1.0f;
                         for (std::size_t x = 0; x < w; ++x)
                         {
                             dst[x][0] = (x & 1) ? -first * src[x] : first * src[x];
                             dst[x][1] = 0.0f;
                         }
                     }
                 });
    fftwf_execute_dft(m_forwardPlan, m_bufferA, m_bufferB);
    ParallelParts(w * h, ParallelGrain(),
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                      {
                          re[i] = bufferB[i][0];
                          im[i] = bufferB[i][1];
                      }
                  });
    return true;
}

bool FFTW3Helper::Inverse(const FCObjImage& sizeSource, const float* re, const float* im, float* plane)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!plane || !re || !im || !PlanLocked(sizeSource, false)) return false;
    const std::size_t w = m_width, h = m_height;
    const fftwf_complex* bufferA = m_bufferA;
    fftwf_complex* bufferB = m_bufferB;
    ParallelParts(w * h, ParallelGrain(),
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                      {
                          bufferB[i][0] = re[i];
                          bufferB[i][1] = im[i];
                      }
                  });
    fftwf_execute_dft(m_inversePlan, m_bufferB, m_bufferA);
    const float scale = float(w * h);
    ParallelRows(int(h), int(w),
                 [&](int firstRow, int endRow)
                 {
                     for (std::size_t y = std::size_t(firstRow); y < std::size_t(endRow); ++y)
                     {
                         const fftwf_complex* src = bufferA + y * w;
                         float* dst = plane + y * w;
                         const float first = (y & 1) ? -1.0f : 1.0f;
                         for (std::size_t x = 0; x < w; ++x)
                         {
                             const float v = src[x][0] / scale;
                             dst[x] = (x & 1) ? -first * v : first * v;
                         }
                     }
                 });
    return true;
}
