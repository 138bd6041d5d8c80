#include "dialogs/LevelStrips.h"

#include "imagelib/effects/HistogramEffects.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace levels
{
int ArrowX(int level, int left, int right)
{
    const int x0 = left + 8;
    const int s = (right - 8) - x0;
    return x0 + int(std::int64_t(level) * s / 255);
}

int LevelUnderX(int x, int left, int right)
{
    const int x0 = left + 8;
    int r = right - 8;
    if (r == x0) r = x0 + 1;
    const std::int64_t level = (std::int64_t(x) - x0) * 255 / (r - x0);
    return int(std::clamp<std::int64_t>(level, 0, 255));
}

int GammaX(int pb, int pw, int gammaHundredths)
{
    const double half = (pw - pb) / 2.0;
    return int(pb + half + half * std::log10(100.0 / gammaHundredths));
}

int GammaUnderX(int x, int pb, int pw)
{
    const double half = pw == pb ? 0.5 : (pw - pb) / 2.0;
    const double t = 100.0 * std::pow(10.0, (pb + half - x) / half);
    const double g = t >= 999.0 ? 999.0 : std::max(t, 10.0);
    return int(std::floor(g + 0.5));
}

namespace
{
std::int64_t Squared(int a, int b)
{
    const std::int64_t d = std::int64_t(a) - b;
    return d * d;
}
} // namespace

int InputHitTest(int x, int pb, int pw, int pg)
{
    const std::int64_t db = Squared(x, pb), dw = Squared(x, pw), dg = Squared(x, pg);
    if (dg <= db && dg <= dw) return kGamma;
    return db <= dw ? kBlack : kWhite;
}

int OutputHitTest(int x, int pb, int pw)
{
    return Squared(x, pb) > Squared(x, pw) ? kWhite : kBlack;
}

bool MoveInputArrow(InputLevels& levels, int arrow, int x, int left, int right)
{
    const InputLevels old = levels;
    switch (arrow)
    {
    case kBlack:
        levels.black = std::min(LevelUnderX(x, left, right), levels.white - 5);
        break;
    case kWhite:
        levels.white = std::max(LevelUnderX(x, left, right), levels.black + 5);
        break;
    case kGamma:
        levels.gamma = GammaUnderX(x, ArrowX(levels.black, left, right), ArrowX(levels.white, left, right));
        break;
    default:
        break;
    }
    return !(levels == old);
}

bool MoveOutputArrow(OutputLevels& levels, int arrow, int x, int left, int right)
{
    const OutputLevels old = levels;
    if (arrow == kBlack)
        levels.black = LevelUnderX(x, left, right);
    else if (arrow == kWhite)
        levels.white = LevelUnderX(x, left, right);
    return !(levels == old);
}

Histograms BuildHistograms(const FCObjImage& image)
{
    constexpr int kHeight = 100;
    Histograms pictures;
    for (FCObjImage& p : pictures)
        if (p.Create(256, kHeight, 24))
            for (int y = 0; y < kHeight; ++y)
                std::memset(p.RowAddress(y), 0xFF, std::size_t(256) * 3);

    FCEffectGetHistogram histogram;
    histogram.Count(image);
    const std::array<const std::vector<std::int64_t>*, 3> bins{&histogram.Blue(), &histogram.Green(),
                                                               &histogram.Red()};
    std::int64_t max = 0;
    for (const auto* channel : bins)
        for (std::int64_t count : *channel)
            max = std::max(max, count);
    if (max == 0) return pictures;

    // Blue, green and red bars in their pictures (3, 2, 1) and black ones in picture 0.
    const std::array<int, 3> pictureOf{3, 2, 1};
    const std::array<std::array<BYTE, 3>, 3> colourOf{{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}};
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c)
        {
            // The product in 64 bits: a bin may hold far more than 2^31 / 100 pixels.
            const int h = int(std::int64_t((*bins[c])[i]) * kHeight / max);
            FCObjImage& picture = pictures[pictureOf[c]];
            FCObjImage& all = pictures[0];
            for (int y = kHeight - h; y < kHeight; ++y)
            {
                if (picture.HasBits()) std::memcpy(picture.PixelAddress(i, y), colourOf[c].data(), 3);
                if (all.HasBits()) std::memset(all.PixelAddress(i, y), 0, 3);
            }
        }
    return pictures;
}
} // namespace levels
