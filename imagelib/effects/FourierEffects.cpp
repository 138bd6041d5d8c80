#include "imagelib/effects/FourierEffects.h"

#include "imagelib/FCLargeArrays.h"
#include "imagelib/FCParallel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace
{
// Largest s >= 0 with s * s <= v (v >= 0).
long long ISqrt(long long v)
{
    long long s = (long long)std::sqrt(double(v));
    while (s > 0 && s * s > v)
        --s;
    while ((s + 1) * (s + 1) <= v)
        ++s;
    return s;
}

// The rows [y0, y1) clipped to the spectrum's height h.
template <class F> void ForRows(long long y0, long long y1, int h, F f)
{
    y0 = std::max(y0, 0LL);
    y1 = std::min(y1, (long long)h);
    for (long long y = y0; y < y1; ++y)
        f(int(y));
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The pipeline

bool FCEffectFourierBase::AcceptsImage(const FCObjImage& image)
{
    return FCEffectYUVBase::AcceptsImage(image) && image.Width() >= 2 && image.Height() >= 2;
}

void FCEffectFourierBase::PrepareImage(FCObjImage& image)
{
    const int w = image.Width(), h = image.Height();
    if ((w & 1) || (h & 1))
    {
        FCObjImage even;
        const RECT r{0, 0, w & ~1, h & ~1};
        // Below 2 pixels there is nothing to keep; the image then stays as it is.
        if (image.CopyRegionTo(even, r)) image.Swap(even);
    }
    ToPlanes(image);
}

bool FCEffectFourierBase::Report(FCProgressObserver* observer, int percent)
{
    return ProgressCheckpoint(observer, percent);
}

bool FCEffectFourierBase::AllocateSpectrum(const FCObjImage& image)
{
    m_spectrumValid = false;
    const int w = image.Width(), h = image.Height();
    if (m_re && m_im && w == m_spectrumWidth && h == m_spectrumHeight) return true;
    m_re.reset();
    m_im.reset();
    m_spectrumWidth = m_spectrumHeight = 0;
    if (w < 1 || h < 1) return false;
    const std::size_t count = std::size_t(w) * std::size_t(h);
    m_re = NewLargeFloats(count);
    m_im = NewLargeFloats(count);
    if (!m_re || !m_im)
    {
        m_re.reset();
        m_im.reset();
        return false;
    }
    m_spectrumWidth = w;
    m_spectrumHeight = h;
    return true;
}

void FCEffectFourierBase::PrepareSpectrum(const FCObjImage& image)
{
    m_spectrumValid = false;
    if (CanTransform(image) && AllocateSpectrum(image)) return;
    m_re.reset();
    m_im.reset();
    m_spectrumWidth = m_spectrumHeight = 0;
}

bool FCEffectFourierBase::SpectrumFits(const FCObjImage& image) const
{
    return m_re && m_im && image.Width() == m_spectrumWidth && image.Height() == m_spectrumHeight;
}

bool FCEffectFourierBase::CanTransform(const FCObjImage& image) const
{
    return m_transform && !m_planes.IsEmpty() && m_planes.Width() == image.Width() &&
           m_planes.Height() == image.Height();
}

void FCEffectFourierBase::ForwardFFT(const FCObjImage& image, const float* plane)
{
    m_spectrumValid = false;
    if (m_transform && SpectrumFits(image))
        m_spectrumValid = m_transform->Forward(image, plane, m_re.get(), m_im.get());
}

void FCEffectFourierBase::InverseFFT(const FCObjImage& image, float* plane)
{
    // Without a spectrum of its own the plane is left as it was.
    if (m_transform && m_spectrumValid && SpectrumFits(image))
        m_transform->Inverse(image, m_re.get(), m_im.get(), plane);
}

void FCEffectFourierBase::ProcessPlanes(FCObjImage& image, FCProgressObserver* observer)
{
    if (!Report(observer, 5)) return;
    PrepareSpectrum(image);

    // One plane: forward, filter, inverse, with a checkpoint after each step.
    auto pass = [&](float* plane, int afterForward, int afterFilter, int afterInverse)
    {
        ForwardFFT(image, plane);
        if (!Report(observer, afterForward)) return false;
        if (m_spectrumValid && SpectrumFits(image)) FilterSpectrum(image, observer);
        if (!Report(observer, afterFilter)) return false;
        InverseFFT(image, plane);
        return Report(observer, afterInverse);
    };
    if (m_luminanceOnly)
        pass(m_planes.Y(), 35, 65, 95);
    else
        pass(m_planes.Y(), 15, 25, 35) && pass(m_planes.U(), 45, 55, 65) && pass(m_planes.V(), 75, 85, 95);
}

void FCEffectFourierBase::ZeroSpan(int y, long long x0, long long x1)
{
    if (y < 0 || y >= m_spectrumHeight) return;
    x0 = std::max(x0, 0LL);
    x1 = std::min(x1, (long long)m_spectrumWidth);
    if (x0 >= x1) return;
    const std::size_t at = std::size_t(y) * std::size_t(m_spectrumWidth) + std::size_t(x0);
    const std::size_t n = std::size_t(x1 - x0);
    std::fill_n(m_re.get() + at, n, 0.0f);
    std::fill_n(m_im.get() + at, n, 0.0f);
}

void FCEffectFourierBase::ZeroSpanBut(int y, long long x0, long long x1, long long keep0, long long keep1)
{
    if (keep0 >= keep1)
    {
        ZeroSpan(y, x0, x1);
        return;
    }
    ZeroSpan(y, x0, std::min(x1, keep0));
    ZeroSpan(y, std::max(x0, keep1), x1);
}

// ---------------------------------------------------------------------------------------------
// Windows. cx, cy is the centre of the spectrum; every loop stays on cells of the spectrum.

// Keeps the closed window [cx - rx, cx + rx] x [cy - ry, cy + ry], zeroes the rest.
void FCEffectFourierBase::KeepClosedRect(long long rx, long long ry)
{
    const int w = m_spectrumWidth, h = m_spectrumHeight;
    const long long cx = w / 2, cy = h / 2;
    for (int y = 0; y < h; ++y)
    {
        if (y < cy - ry || y > cy + ry)
            ZeroSpan(y, 0, w);
        else
            ZeroSpanBut(y, 0, w, cx - rx, cx + rx + 1);
    }
}

// Zeroes the half-open rectangle [x0, x1) x [y0, y1), clipped to the spectrum.
void FCEffectFourierBase::ZeroRect(long long x0, long long x1, long long y0, long long y1)
{
    ForRows(y0, y1, m_spectrumHeight, [&](int y) { ZeroSpan(y, x0, x1); });
}

// Zeroes the open rectangle of half sizes (ox, oy) but the cells of the open one of (ix, iy).
void FCEffectFourierBase::ZeroOpenRectRing(long long ox, long long oy, long long ix, long long iy)
{
    const long long cx = m_spectrumWidth / 2, cy = m_spectrumHeight / 2;
    ForRows(cy - oy + 1, cy + oy, m_spectrumHeight,
            [&](int y)
            {
                if (y > cy - iy && y < cy + iy)
                    ZeroSpanBut(y, cx - ox + 1, cx + ox, cx - ix + 1, cx + ix);
                else
                    ZeroSpan(y, cx - ox + 1, cx + ox);
            });
}

void FCEffectFourierRect::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    m_halfSizeY = std::clamp(m_halfSizeY, 0, image.Height() / 2);
    m_halfSizeX = std::clamp(m_halfSizeX, 0, image.Width() / 2);
    KeepClosedRect(m_halfSizeX, m_halfSizeY);
}

void FCEffectFourierRectangulairePasseHaut::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    m_halfSizeY = std::clamp(m_halfSizeY, 0, image.Height() / 2);
    m_halfSizeX = std::clamp(m_halfSizeX, 0, image.Width() / 2);
    const long long cx = image.Width() / 2, cy = image.Height() / 2, rx = m_halfSizeX, ry = m_halfSizeY;
    ZeroRect(cx - rx, cx + rx, cy - ry, cy + ry);
}

namespace
{
// The outer half sizes of the square band filters, then the inner ones, clamped and stored back.
void ClampSquareBand(const FCObjImage& image, int& inner, int& outer)
{
    outer = std::max(0, std::min({outer, image.Height() / 2, image.Width() / 2}));
    inner = std::clamp(inner, 0, outer);
}

// Inner and outer half sizes of the rectangular band filters.
struct RectBand
{
    long long ix, iy, ox, oy;
    RectBand(const FCObjImage& image, int halfSizeX, int halfSizeY, int bandWidth)
    {
        const long long hx = std::max(halfSizeX, 0), hy = std::max(halfSizeY, 0),
                        band = std::max(bandWidth, 0);
        ix = std::max(0LL, hx - band);
        iy = std::max(0LL, hy - band);
        ox = std::min<long long>(hx + band, image.Width() / 2);
        oy = std::min<long long>(hy + band, image.Height() / 2);
    }
};
} // namespace

void FCEffectFourierCarreCoupeBande::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    ClampSquareBand(image, m_innerHalfSize, m_outerHalfSize);
    ZeroOpenRectRing(m_outerHalfSize, m_outerHalfSize, m_innerHalfSize, m_innerHalfSize);
}

void FCEffectFourierCarrePasseBande::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    ClampSquareBand(image, m_innerHalfSize, m_outerHalfSize);
    const long long cx = image.Width() / 2, cy = image.Height() / 2, r1 = m_innerHalfSize;
    // Closed outer square kept, then the open inner square zeroed.
    KeepClosedRect(m_outerHalfSize, m_outerHalfSize);
    ZeroRect(cx - r1 + 1, cx + r1, cy - r1 + 1, cy + r1);
}

void FCEffectFourierRectangulaireCoupeBande::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    const RectBand b(image, m_halfSizeX, m_halfSizeY, m_bandWidth);
    ZeroOpenRectRing(b.ox, b.oy, b.ix, b.iy);
}

void FCEffectFourierRectangulairePasseBande::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    const RectBand b(image, m_halfSizeX, m_halfSizeY, m_bandWidth);
    const long long cx = image.Width() / 2, cy = image.Height() / 2;
    // Closed outer rectangle kept, then the half-open inner rectangle zeroed.
    KeepClosedRect(b.ox, b.oy);
    ZeroRect(cx - b.ix, cx + b.ix, cy - b.iy, cy + b.iy);
}

// Keeps the closed disc of radius r around the centre, zeroes the rest.
void FCEffectFourierBase::KeepClosedDisc(long long r)
{
    const int w = m_spectrumWidth, h = m_spectrumHeight;
    const long long cx = w / 2, cy = h / 2;
    for (int y = 0; y < h; ++y)
    {
        const long long dy = y - cy;
        if (dy < -r || dy > r)
            ZeroSpan(y, 0, w);
        else
        {
            const long long s = ISqrt(r * r - dy * dy);
            ZeroSpanBut(y, 0, w, cx - s, cx + s + 1);
        }
    }
}

// Zeroes the cells at a distance below r from the centre (the open disc).
void FCEffectFourierBase::ZeroOpenDisc(long long r)
{
    if (r <= 0) return;
    const long long cx = m_spectrumWidth / 2, cy = m_spectrumHeight / 2;
    ForRows(cy - r + 1, cy + r, m_spectrumHeight,
            [&](int y)
            {
                const long long dy = y - cy;
                const long long s = ISqrt(r * r - dy * dy - 1);
                ZeroSpan(y, cx - s, cx + s + 1);
            });
}

void FCEffectFourierCirculaire::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    KeepClosedDisc(std::llabs((long long)m_radius));
}

void FCEffectFourierCirculairePasseHaut::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    ZeroOpenDisc(m_radius);
}

void FCEffectFourierCirculaireCoupeBande::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    const int w = image.Width(), h = image.Height();
    m_innerRadius = std::clamp(m_innerRadius, 0, std::max(m_outerRadius, 0));
    const long long cx = w / 2, cy = h / 2, r2 = m_outerRadius, r1 = m_innerRadius;
    if (r2 <= 0) return;
    // r1^2 < d^2 < r2^2: inside the open outer disc, outside the closed inner one.
    ForRows(cy - r2 + 1, cy + r2, h,
            [&](int y)
            {
                const long long dy = y - cy;
                const long long so = ISqrt(r2 * r2 - dy * dy - 1);
                const long long inner = r1 * r1 - dy * dy;
                if (inner < 0)
                    ZeroSpan(y, cx - so, cx + so + 1);
                else
                {
                    const long long si = ISqrt(inner);
                    ZeroSpanBut(y, cx - so, cx + so + 1, cx - si, cx + si + 1);
                }
            });
}

void FCEffectFourierCirculairePasseBande::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    KeepClosedDisc(std::llabs((long long)m_outerRadius));
    m_innerRadius = std::max(0, std::min(m_innerRadius, m_outerRadius));
    ZeroOpenDisc(m_innerRadius);
}

void FCEffectFourierGaussien::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!SpectrumFits(image)) return;
    const int w = image.Width(), h = image.Height();
    const std::size_t count = std::size_t(w) * std::size_t(h);
    if (!m_weights || m_weightsWidth != w || m_weightsHeight != h)
    {
        m_weights = NewLargeFloats(count);
        m_weightsWidth = m_weightsHeight = 0;
        if (!m_weights) return;
        const float p2 = m_sigma * m_sigma;
        float* weights = m_weights.get();
        ParallelRows(h, w,
                     [&](int firstRow, int endRow)
                     {
                         for (int y = firstRow; y < endRow; ++y)
                         {
                             const float dy = float(y - h * 0.5);
                             float* row = weights + std::size_t(y) * w;
                             for (int x = 0; x < w; ++x)
                             {
                                 const float dx = float(x - w * 0.5);
                                 row[x] = std::exp(-0.5f * (dx * dx + dy * dy) * p2);
                             }
                         }
                     });
        m_weightsWidth = w;
        m_weightsHeight = h;
    }
    float* re = m_re.get();
    float* im = m_im.get();
    const float* wt = m_weights.get();
    ParallelParts(count, ParallelGrain(),
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                      {
                          re[i] *= wt[i];
                          im[i] *= wt[i];
                      }
                  });
}

// ---------------------------------------------------------------------------------------------
// Module and phase

bool FCEffectFourier::AllocateModulePhase(const FCObjImage& image)
{
    const std::size_t count = std::size_t(image.Width()) * std::size_t(image.Height());
    if (m_module && m_phase && count == m_modulePhaseCount) return true;
    m_module = NewLargeFloats(count);
    m_phase = NewLargeFloats(count);
    m_modulePhaseCount = count;
    if (!m_module || !m_phase)
    {
        m_module.reset();
        m_phase.reset();
        m_modulePhaseCount = 0;
        return false;
    }
    return true;
}

void FCEffectFourier::ComputeModulePhase(const FCObjImage& image)
{
    if (!m_module || !SpectrumFits(image) ||
        m_modulePhaseCount != std::size_t(image.Width()) * std::size_t(image.Height()))
        return;
    const float* re = m_re.get();
    const float* im = m_im.get();
    float* module = m_module.get();
    float* phase = m_phase.get();
    ParallelParts(m_modulePhaseCount, ParallelGrain(),
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                      {
                          module[i] = std::hypot(re[i], im[i]);
                          phase[i] = re[i] != 0.0f ? std::atan2(im[i], re[i]) : 0.0f;
                      }
                  });
}

void FCEffectFourier::RebuildFromModulePhase(const FCObjImage& image)
{
    if (!m_module || !SpectrumFits(image) ||
        m_modulePhaseCount != std::size_t(image.Width()) * std::size_t(image.Height()))
        return;
    float* re = m_re.get();
    float* im = m_im.get();
    const float* module = m_module.get();
    const float* phase = m_phase.get();
    ParallelParts(m_modulePhaseCount, ParallelGrain(),
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                      {
                          re[i] = module[i] * std::cos(phase[i]);
                          im[i] = module[i] * std::sin(phase[i]);
                      }
                  });
}

void FCEffectFourier::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (!AllocateModulePhase(image)) return;
    ComputeModulePhase(image);
    ProcessModulePhase(image);
    RebuildFromModulePhase(image);
}

void FCEffectFourierModule::FilterSpectrum(const FCObjImage& image, FCProgressObserver*)
{
    if (AllocateModulePhase(image)) ComputeModulePhase(image);
}

void FCEffectFourierModule::ProcessPlanes(FCObjImage& image, FCProgressObserver* observer)
{
    if (!Report(observer, 5)) return;
    PrepareSpectrum(image);
    ForwardFFT(image, m_planes.Y());
    if (!Report(observer, 65)) return;
    const bool ready = m_spectrumValid && SpectrumFits(image);
    if (ready) FilterSpectrum(image, observer);
    if (!Report(observer, 95)) return;
    // Without a module (no spectrum, no memory) the planes are written back as they were.
    if (ready && m_module) MakeDisplay(image);
}

void FCEffectFourierModule::MakeDisplay(FCObjImage& image)
{
    const std::size_t count = std::size_t(image.Width()) * std::size_t(image.Height());
    if (!m_module || count != m_modulePhaseCount || count == 0 || m_planes.IsEmpty()) return;
    const auto [lo, hi] = std::minmax_element(m_module.get(), m_module.get() + count);
    const float lmin = std::log(1.0f + *lo);
    const float lmax = std::log(1.0f + *hi);
    float* Y = m_planes.Y();
    // A spectrum that is zero everywhere has no scale: black.
    const bool flat = !(lmax > 0.0f) || !std::isfinite(lmax);
    const float scale = flat ? 0.0f : 255.0f / lmax;
    const float* module = m_module.get();
    ParallelParts(count, ParallelGrain(),
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                          Y[i] = flat ? 0.0f : std::log(1.0f + module[i]) * scale - lmin;
                  });
    std::fill_n(m_planes.U(), count, 0.0f);
    std::fill_n(m_planes.V(), count, 0.0f);
}

void FCEffectFourierPhase::MakeDisplay(FCObjImage& image)
{
    const std::size_t count = std::size_t(image.Width()) * std::size_t(image.Height());
    if (!m_phase || count != m_modulePhaseCount || count == 0 || m_planes.IsEmpty()) return;
    const auto [lo, hi] = std::minmax_element(m_phase.get(), m_phase.get() + count);
    const float pmin = *lo, range = *hi - *lo;
    float* Y = m_planes.Y();
    // A single phase value has no range: black.
    const bool flat = !(range > 0.0f);
    for (std::size_t i = 0; i < count; ++i)
        Y[i] = flat ? 0.0f : (m_phase[i] - pmin) * 255.0f / range;
    std::fill_n(m_planes.U(), count, 0.0f);
    std::fill_n(m_planes.V(), count, 0.0f);
}
