#include "views/ToolViewDisplays.h"

#include "imagelib/FCLargeArrays.h"
#include "imagelib/FCParallel.h"
#include "imagelib/FCYUVPlanes.h"
#include "imagelib/FFTW3Helper.h"
#include "imagelib/PixelHelpers.h"
#include "platform/TextConv.h"
#include "resources/CommandIds.h"
#include "views/ViewMath.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace
{
using K = ToolViewKind;

// clang-format off
const ToolViewInfo kToolViews[] = {
    {kCmdViewRed, K::Red, "canal rouge", kResToolContextMenu, false},
    {kCmdViewRedAsGrey, K::RedAsGrey, "canal rouge(luminance)", kResToolContextMenu, false},
    {kCmdViewGreen, K::Green, "canal vert", kResToolContextMenu, false},
    {kCmdViewGreenAsGrey, K::GreenAsGrey, "canal vert(luminance)", kResToolContextMenu, false},
    {kCmdViewBlue, K::Blue, "canal bleu", kResToolContextMenu, false},
    {kCmdViewBlueAsGrey, K::BlueAsGrey, "canal bleu(luminance)", kResToolContextMenu, false},
    {kCmdViewY, K::Y, "canal Y luminance", kResToolContextMenu, false},
    {kCmdViewU, K::U, "canal U chrominance bleue", kResToolContextMenu, false},
    {kCmdViewUAsGrey, K::UAsGrey, "canal U chrominance bleue(luminance)", kResToolContextMenu, false},
    {kCmdViewV, K::V, "canal U chrominance rouge", kResToolContextMenu, false},
    {kCmdViewVAsGrey, K::VAsGrey, "canal U chrominance rouge(luminance)", kResToolContextMenu, false},
    {kCmdViewFourierModule, K::FourierModule, "Fourier (module-log)", kResToolContextMenu, true},
    {kCmdViewFourierPhase, K::FourierPhase, "Fourier (phase)", kResToolContextMenu, true},
    {kCmdViewFourierTool, K::FourierModuleTool, "Edition (Fourier module)", kResFourierToolContextMenu, true},
};
// clang-format on

// The chrominance c offset by 128 in single precision: 128 - c everywhere but at byte `plus`,
// which gets c + 128 (as the chrominance effects write it).
inline void TwoColours(BYTE* p, float c, int plus)
{
    p[0] = p[1] = p[2] = TruncClampToByte(128.0f - c);
    p[plus] = TruncClampToByte(c + 128.0f);
}

inline void Grey(BYTE* p, BYTE v)
{
    p[0] = p[1] = p[2] = v;
}

bool UsesPlanes(ToolViewKind kind)
{
    return kind == K::Y || kind == K::U || kind == K::UAsGrey || kind == K::V || kind == K::VAsGrey;
}

// The display's starting copy: the image at 24 or 32 bits.
FCObjImage DisplayCopy(const FCObjImage& image)
{
    FCObjImage copy = image;
    if (copy.ColorBits() != 24 && copy.ColorBits() != 32) copy.ConvertBitDepth(24);
    if (copy.ColorBits() != 24 && copy.ColorBits() != 32) copy.Destroy();
    return copy;
}

// A grey picture of the image's size from v[i] (already clamped), i = y x w + x.
template <class F> FCObjImage GreyDisplay(const FCObjImage& image, F value)
{
    FCObjImage display = DisplayCopy(image);
    if (!display.HasBits()) return display;
    const int w = display.Width();
    const int step = display.ColorBits() / 8;
    ParallelRows(display.Height(), w,
                 [&](int first, int end)
                 {
                     for (int y = first; y < end; ++y)
                     {
                         BYTE* p = display.RowAddress(y);
                         const std::size_t row = std::size_t(y) * std::size_t(w);
                         for (int x = 0; x < w; ++x, p += step)
                             Grey(p, value(row + std::size_t(x)));
                     }
                 });
    return display;
}

FCObjImage BlackDisplay(const FCObjImage& image)
{
    return GreyDisplay(image, [](std::size_t) { return BYTE(0); });
}

// The centred spectrum of the Y plane into re and im; false when it cannot be had.
bool Spectrum(const FCObjImage& image, const float* y, FFTW3Helper& helper, std::unique_ptr<float[]>& re,
              std::unique_ptr<float[]>& im)
{
    if (!image.HasBits() || !y) return false;
    const std::size_t n = std::size_t(image.Width()) * std::size_t(image.Height());
    re = NewLargeFloats(n);
    im = NewLargeFloats(n);
    if (!re || !im) return false;
    return helper.Forward(image, y, re.get(), im.get());
}

struct Extent
{
    float min, max;
};

// min and max of f(i) over the n cells, starting from `start`; split over threads (the order
// does not change the result).
template <class F> Extent FindExtent(std::size_t n, Extent start, F f)
{
    const std::size_t parts = std::size_t(std::max(RunThreads(), 1));
    std::vector<Extent> found(parts, start);
    std::atomic<std::size_t> slot{0};
    ParallelParts(n, ParallelGrain(),
                  [&](std::size_t begin, std::size_t end)
                  {
                      Extent e = start;
                      for (std::size_t i = begin; i < end; ++i)
                      {
                          const float v = f(i);
                          if (v < e.min) e.min = v;
                          if (v > e.max) e.max = v;
                      }
                      found[slot.fetch_add(1) % parts] = e;
                  });
    Extent all = start;
    for (const Extent& e : found)
    {
        all.min = std::min(all.min, e.min);
        all.max = std::max(all.max, e.max);
    }
    return all;
}
} // namespace

std::span<const ToolViewInfo> ToolViewTable()
{
    return kToolViews;
}

const ToolViewInfo* FindToolView(int command)
{
    for (const ToolViewInfo& v : kToolViews)
        if (v.command == command) return &v;
    return nullptr;
}

const ToolViewInfo& ToolViewInfoOf(ToolViewKind kind)
{
    for (const ToolViewInfo& v : kToolViews)
        if (v.kind == kind) return v;
    return kToolViews[0];
}

const FCObjImage& ToolViewSource(const FCObjImage& image, FCObjImage& converted)
{
    if (image.ColorBits() == 24 || image.ColorBits() == 32 || !image.HasBits()) return image;
    converted = image;
    converted.ConvertBitDepth(24);
    return converted;
}

FCObjImage BuildChannelDisplay(ToolViewKind kind, const FCObjImage& image, const FCYUVPlanes* planes)
{
    FCObjImage display = DisplayCopy(image);
    if (!display.HasBits()) return display;
    const int w = display.Width(), h = display.Height();
    const bool fromPlanes =
        UsesPlanes(kind) && planes && !planes->IsEmpty() && planes->Width() == w && planes->Height() == h;
    const int step = display.ColorBits() / 8;
    ParallelRows(
        h, w,
        [&](int first, int end)
        {
            for (int y = first; y < end; ++y)
            {
                BYTE* p = display.RowAddress(y);
                const std::size_t row = std::size_t(y) * std::size_t(w);
                for (int x = 0; x < w; ++x, p += step)
                {
                    const std::size_t i = row + std::size_t(x);
                    switch (kind)
                    {
                    case K::Red:
                        p[0] = p[1] = 0;
                        break;
                    case K::Green:
                        p[0] = p[2] = 0;
                        break;
                    case K::Blue:
                        p[1] = p[2] = 0;
                        break;
                    case K::RedAsGrey:
                        Grey(p, p[2]);
                        break;
                    case K::GreenAsGrey:
                        Grey(p, p[1]);
                        break;
                    case K::BlueAsGrey:
                        Grey(p, p[0]);
                        break;
                    case K::Y:
                        Grey(p, TruncClampToByte(fromPlanes ? planes->Y()[i] : YuvLuma(p[2], p[1], p[0])));
                        break;
                    case K::U:
                        TwoColours(p, fromPlanes ? planes->U()[i] : YuvChromaU(p[2], p[1], p[0]), 0);
                        break;
                    case K::UAsGrey:
                        Grey(p, TruncClampToByte(
                                    (fromPlanes ? planes->U()[i] : YuvChromaU(p[2], p[1], p[0])) + 128.0f));
                        break;
                    case K::V:
                        TwoColours(p, fromPlanes ? planes->V()[i] : YuvChromaV(p[2], p[1], p[0]), 2);
                        break;
                    case K::VAsGrey:
                        Grey(p, TruncClampToByte(
                                    (fromPlanes ? planes->V()[i] : YuvChromaV(p[2], p[1], p[0])) + 128.0f));
                        break;
                    case K::FourierModule:
                    case K::FourierPhase:
                    case K::FourierModuleTool:
                        break;
                    }
                }
            }
        });
    return display;
}

FCObjImage BuildFourierModuleDisplay(const FCObjImage& image, const float* y, FFTW3Helper& helper)
{
    std::unique_ptr<float[]> re, im;
    if (!Spectrum(image, y, helper, re, im)) return BlackDisplay(image);
    const std::size_t n = std::size_t(image.Width()) * std::size_t(image.Height());
    float* m = re.get(); // the modules replace the real parts
    ParallelParts(n, ParallelGrain(),
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                          m[i] = std::hypot(re[i], im[i]);
                  });
    im.reset();
    const float inf = std::numeric_limits<float>::infinity();
    const Extent e = FindExtent(n, Extent{inf, -inf}, [m](std::size_t i) { return m[i]; });
    const float floor = std::log(1e-6f);
    const float lmin = e.min > 0.0f ? std::log(e.min) : floor;
    const float lmax = e.max > 0.0f ? std::log(e.max) : floor;
    // A largest module of at most 1 leaves no positive scale: the spectrum is black (an all-black
    // image included), never inverted nor white.
    if (!(lmax > 0.0f)) return BlackDisplay(image);
    const float scale = 255.0f / lmax;
    return GreyDisplay(image, [&](std::size_t i) { return TruncClampToByte(std::log(m[i]) * scale - lmin); });
}

FCObjImage BuildFourierPhaseDisplay(const FCObjImage& image, const float* y, FFTW3Helper& helper)
{
    std::unique_ptr<float[]> re, im;
    if (!Spectrum(image, y, helper, re, im)) return BlackDisplay(image);
    const std::size_t n = std::size_t(image.Width()) * std::size_t(image.Height());
    float* p = re.get(); // the phases replace the real parts
    ParallelParts(n, ParallelGrain(),
                  [&](std::size_t begin, std::size_t end)
                  {
                      for (std::size_t i = begin; i < end; ++i)
                          p[i] = re[i] != 0.0f ? std::atan2(im[i], re[i]) : 0.0f;
                  });
    im.reset();
    const Extent e = FindExtent(n, Extent{0.0f, 0.0f}, [p](std::size_t i) { return p[i]; });
    if (!(e.max > e.min)) return BlackDisplay(image);
    const float range = e.max - e.min;
    return GreyDisplay(image,
                       [&](std::size_t i) { return TruncClampToByte((p[i] - e.min) * 255.0f / range); });
}

std::wstring FormatToolViewTitle(const std::wstring& title, int zoom, const char* name, int viewCount,
                                 int viewNumber, bool modified)
{
    wchar_t buffer[64];
    if (zoom != kZoomFit)
    {
        const int a = zoom < 256 ? 1 : zoom / 256;
        const int b = zoom < 256 ? 256 / std::max(zoom, 1) : 1;
        std::swprintf(buffer, 64, L" (%d:%d)", a, b);
    }
    else
        std::swprintf(buffer, 64, L" ([])");
    std::wstring text = L"Outil " + title + buffer + L" - " + Utf8ToWide(name ? name : "");
    if (viewCount > 1) text += L":" + std::to_wstring(viewNumber);
    if (modified) text += L"*";
    return text;
}
