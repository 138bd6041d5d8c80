#include "imagelib/effects/YUVEffects.h"

#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/VectorDispatch.h"

namespace
{
// Calls f(pixel) for each of the row's pixels; bytes are B, G, R.
template <class F> inline void ForEachPixel(const FCObjImage& image, BYTE* row, int bytesPerPixel, F f)
{
    const int w = image.Width();
    for (int x = 0; x < w; ++x, row += bytesPerPixel)
        f(row);
}

// The chrominance c is offset by 128 in single precision before it is clamped and truncated: the
// pixel gets 128 - c everywhere but at byte `plus`, which gets c + 128.
inline void TwoColours(BYTE* p, float c, int plus)
{
    p[0] = p[1] = p[2] = TruncClampToByte(128.0f - c);
    p[plus] = TruncClampToByte(c + 128.0f);
}
} // namespace

void FCEffectGetRChannel::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel, [](BYTE* p) { p[0] = p[1] = 0; });
}

void FCEffectGetGChannel::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel, [](BYTE* p) { p[0] = p[2] = 0; });
}

void FCEffectGetBChannel::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel, [](BYTE* p) { p[1] = p[2] = 0; });
}

void FCEffectGetRChannelLumi::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel, [](BYTE* p) { p[0] = p[1] = p[2]; });
}

void FCEffectGetGChannelLumi::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel, [](BYTE* p) { p[0] = p[2] = p[1]; });
}

void FCEffectGetBChannelLumi::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel, [](BYTE* p) { p[1] = p[2] = p[0]; });
}

namespace
{
namespace yuv_generic
{
#include "imagelib/effects/YUVKernels.inl"
} // namespace yuv_generic

#ifdef ORVALIS_AVX2_TARGET
ORVALIS_AVX2_BEGIN
namespace yuv_avx2
{
#include "imagelib/effects/YUVKernels.inl"
} // namespace yuv_avx2
ORVALIS_AVX2_END

ORVALIS_AVX512_BEGIN
namespace yuv_avx512
{
#include "imagelib/effects/YUVKernels.inl"
} // namespace yuv_avx512
ORVALIS_AVX512_END
#endif
} // namespace

void FCEffectYUVLuminance::PrepareImage(FCObjImage&)
{
    m_run24 = yuv_generic::LuminanceRun<3>;
    m_run32 = yuv_generic::LuminanceRun<4>;
#ifdef ORVALIS_AVX2_TARGET
    if (UseAvx512())
    {
        m_run24 = yuv_avx512::LuminanceRun<3>;
        m_run32 = yuv_avx512::LuminanceRun<4>;
    }
    else if (UseAvx2())
    {
        m_run24 = yuv_avx2::LuminanceRun<3>;
        m_run32 = yuv_avx2::LuminanceRun<4>;
    }
#endif
}

void FCEffectYUVLuminance::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    // The loops of the run's instruction set; the pixel by pixel road for a run that did not
    // prepare the effect.
    if (m_run24 && bytesPerPixel == 3) return m_run24(row, image.Width());
    if (m_run32 && bytesPerPixel == 4) return m_run32(row, image.Width());
    ForEachPixel(image, row, bytesPerPixel,
                 [](BYTE* p) { p[0] = p[1] = p[2] = TruncClampToByte(YuvLuma(p[2], p[1], p[0])); });
}

void FCEffectYUVChrominanceBleue::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel, [](BYTE* p) { TwoColours(p, YuvChromaU(p[2], p[1], p[0]), 0); });
}

void FCEffectYUVChrominanceBleueLuminance::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel,
                 [](BYTE* p)
                 { p[0] = p[1] = p[2] = TruncClampToByte(YuvChromaU(p[2], p[1], p[0]) + 128.0f); });
}

void FCEffectYUVChrominanceRouge::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel, [](BYTE* p) { TwoColours(p, YuvChromaV(p[2], p[1], p[0]), 2); });
}

void FCEffectYUVChrominanceRougeLuminance::ApplyToRow(FCObjImage& image, int, BYTE* row, int bytesPerPixel)
{
    ForEachPixel(image, row, bytesPerPixel,
                 [](BYTE* p)
                 { p[0] = p[1] = p[2] = TruncClampToByte(YuvChromaV(p[2], p[1], p[0]) + 128.0f); });
}
