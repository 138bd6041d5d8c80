// The Gaussian blur written as plainly as it can be, for the tests of the blur and of the effects
// built on it, and an observer that answers as scripted.
#pragma once

#include "ScriptedObserver.h"

#include "imagelib/FCImageEffect.h"
#include "imagelib/PixelHelpers.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace blurtest
{
using testobs::ScriptedObserver;

using Combine = std::function<void(int x, int y, BYTE* pixel)>;

// The blur as plainly as it can be written: a line buffer per column, then per row, with the taps
// in order; a clear result takes the colour of the last result computed in its pass (black before
// the first).
inline void ReferenceBlur(FCObjImage& image, const std::vector<double>& kernel, const Combine& combine = {})
{
    const int w = image.Width(), h = image.Height(), n = image.ColorBits() / 8;
    const int half = int(kernel.size() / 2);
    struct Entry
    {
        int b, g, r, a;
    };
    std::vector<Entry> line;
    auto blurLine = [&](int length, auto pixelAt, bool rows)
    {
        int carry[3] = {0, 0, 0};
        for (int i = 0; i < length; ++i)
        {
            line.clear();
            for (int j = -half; j < (rows ? w : h) + half; ++j)
            {
                const int k = std::clamp(j, 0, (rows ? w : h) - 1);
                const BYTE* p = rows ? pixelAt(k, i) : pixelAt(i, k);
                line.push_back({p[0], p[1], p[2], n == 4 ? p[3] : 255});
            }
            for (int j = 0; j < (rows ? w : h); ++j)
            {
                double sb = 0, sg = 0, sr = 0, sw = 0;
                for (std::size_t t = 0; t < kernel.size(); ++t)
                {
                    const Entry& e = line[std::size_t(j) + t];
                    if (e.a <= 0) continue;
                    const double weight = e.a * kernel[t];
                    sb += e.b * weight;
                    sg += e.g * weight;
                    sr += e.r * weight;
                    sw += weight;
                }
                const BYTE alpha = RoundClampToByte(sw);
                if (alpha > 0)
                {
                    carry[0] = RoundClampToByte(sb * (1.0 / sw));
                    carry[1] = RoundClampToByte(sg * (1.0 / sw));
                    carry[2] = RoundClampToByte(sr * (1.0 / sw));
                }
                BYTE* p = rows ? pixelAt(j, i) : pixelAt(i, j);
                p[0] = BYTE(carry[0]), p[1] = BYTE(carry[1]), p[2] = BYTE(carry[2]);
                if (n == 4) p[3] = alpha;
                if (rows && combine) combine(j, i, p);
            }
        }
    };
    auto at = [&](int x, int y) { return image.PixelAddress(x, y); };
    blurLine(w, at, false);
    blurLine(h, at, true);
}
} // namespace blurtest
