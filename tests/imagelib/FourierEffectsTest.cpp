// Fourier-domain filters and spectrum displays: the window rules on small spectra, the crop, the
// pipeline's progress, degenerate displays and the filters on whole images.
#include "TestImages.h"

#include "bench/EffectRegistry.h"
#include "imagelib/FCBandRunner.h"
#include "imagelib/FCYUVPlanes.h"
#include "imagelib/PixelHelpers.h"
#include "imagelib/effects/FourierEffects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace
{
// Runs FilterSpectrum alone on a spectrum of ones and tells which cells survive.
template <class Filter> class Probe : public Filter
{
public:
    using Filter::Filter;

    std::vector<bool> Mask(int w, int h)
    {
        FCObjImage size;
        size.Create(w, h, 24);
        EXPECT_TRUE(this->AllocateSpectrum(size));
        std::fill_n(this->m_re.get(), std::size_t(w) * h, 1.0f);
        std::fill_n(this->m_im.get(), std::size_t(w) * h, 1.0f);
        this->FilterSpectrum(size, nullptr);
        std::vector<bool> kept(std::size_t(w) * h);
        for (std::size_t i = 0; i < kept.size(); ++i)
        {
            EXPECT_EQ(this->m_re[i], this->m_im[i]);
            kept[i] = this->m_re[i] != 0.0f;
        }
        return kept;
    }
    const float* Re() const { return this->m_re.get(); }
};

using MaskFn = std::function<std::vector<bool>(int w, int h)>;

template <class Filter, class... Args> MaskFn MaskOf(Args... args)
{
    return [=](int w, int h)
    {
        Probe<Filter> probe(nullptr, args..., true);
        return probe.Mask(w, h);
    };
}

int Count(const std::vector<bool>& m)
{
    int n = 0;
    for (bool b : m)
        n += b;
    return n;
}

FCObjImage Greys(int w, int h, int bpp)
{
    FCObjImage image;
    image.Create(w, h, bpp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            BYTE* p = image.PixelAddress(x, y);
            p[0] = p[1] = p[2] = BYTE((x * 37 + y * 91) % 200 + 20);
            if (bpp == 32) p[3] = BYTE(x * 13 + y);
        }
    return image;
}

// Largest difference of a B, G or R byte between two images of one size.
int MaxDiff(const FCObjImage& a, const FCObjImage& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height()) return 1000;
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            for (int k = 0; k < 3; ++k)
                worst =
                    std::max(worst, std::abs(int(a.PixelAddress(x, y)[k]) - int(b.PixelAddress(x, y)[k])));
    return worst;
}

FCObjImage Crop(const FCObjImage& image, int w, int h)
{
    FCObjImage out;
    image.CopyRegionTo(out, RECT{0, 0, w, h});
    return out;
}

class Recorder : public FCProgressObserver
{
public:
    explicit Recorder(int refuseAt = -1) : m_refuseAt(refuseAt) {}
    bool OnProgress(int percent) override
    {
        seen.push_back(percent);
        return percent != m_refuseAt;
    }
    std::vector<int> seen;

private:
    int m_refuseAt;
};
} // namespace

TEST(FourierEffects, WindowMasksOnAnEightByEightSpectrum)
{
    struct Case
    {
        const char* name;
        MaskFn mask;
        int kept;
        bool centre;
    } cases[] = {
        {"Rect(2,1)", MaskOf<FCEffectFourierRect>(2, 1), 15, true},
        {"Rect(0,0)", MaskOf<FCEffectFourierRect>(0, 0), 1, true},
        {"Carre(1)", MaskOf<FCEffectFourierCarre>(1), 9, true},
        {"RectPasseHaut(1,1)", MaskOf<FCEffectFourierRectangulairePasseHaut>(1, 1), 60, false},
        {"RectPasseHaut(2,1)", MaskOf<FCEffectFourierRectangulairePasseHaut>(2, 1), 56, false},
        {"CarrePasseHaut(2)", MaskOf<FCEffectFourierCarrePasseHaut>(2), 48, false},
        {"CarreCoupeBande(1,3)", MaskOf<FCEffectFourierCarreCoupeBande>(1, 3), 40, true},
        {"CarreCoupeBande(3,1)", MaskOf<FCEffectFourierCarreCoupeBande>(3, 1), 64, true},
        {"CarrePasseBande(1,3)", MaskOf<FCEffectFourierCarrePasseBande>(1, 3), 48, false},
        {"CarrePasseBande(3,1)", MaskOf<FCEffectFourierCarrePasseBande>(3, 1), 8, false},
        {"RectCoupeBande(2,2,1)", MaskOf<FCEffectFourierRectangulaireCoupeBande>(2, 2, 1), 40, true},
        {"RectCoupeBande(1,1,1)", MaskOf<FCEffectFourierRectangulaireCoupeBande>(1, 1, 1), 55, false},
        {"RectPasseBande(2,2,1)", MaskOf<FCEffectFourierRectangulairePasseBande>(2, 2, 1), 45, false},
        {"RectPasseBande(1,1,1)", MaskOf<FCEffectFourierRectangulairePasseBande>(1, 1, 1), 25, true},
        {"Circulaire(1)", MaskOf<FCEffectFourierCirculaire>(1), 5, true},
        {"Circulaire(2)", MaskOf<FCEffectFourierCirculaire>(2), 13, true},
        {"CirculairePasseHaut(1)", MaskOf<FCEffectFourierCirculairePasseHaut>(1), 63, false},
        {"CirculairePasseHaut(2)", MaskOf<FCEffectFourierCirculairePasseHaut>(2), 55, false},
        {"CirculaireCoupeBande(1,3)", MaskOf<FCEffectFourierCirculaireCoupeBande>(1, 3), 44, true},
        {"CirculairePasseBande(1,3)", MaskOf<FCEffectFourierCirculairePasseBande>(1, 3), 28, false},
        {"CirculairePasseBande(3,1)", MaskOf<FCEffectFourierCirculairePasseBande>(3, 1), 4, false},
    };
    for (const Case& c : cases)
    {
        const std::vector<bool> m = c.mask(8, 8);
        EXPECT_EQ(Count(m), c.kept) << c.name;
        EXPECT_EQ(m[4 * 8 + 4], c.centre) << c.name;
    }
    // The named cells of the high-pass: (cx - 1..cx, cy - 1..cy) go, (cx + 1, cy + 1) stays.
    const std::vector<bool> hp = MaskOf<FCEffectFourierRectangulairePasseHaut>(1, 1)(8, 8);
    EXPECT_FALSE(hp[3 * 8 + 3]);
    EXPECT_FALSE(hp[4 * 8 + 3]);
    EXPECT_TRUE(hp[5 * 8 + 5]);
}

namespace
{
// The window rules cell by cell, as written: the reference for the span loops of the filters.
struct Rules
{
    int w, h;
    long long cx() const { return w / 2; }
    long long cy() const { return h / 2; }

    std::vector<bool>
    Build(const std::function<bool(long long dx, long long dy, long long x, long long y)>& keep) const
    {
        std::vector<bool> m(std::size_t(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                m[std::size_t(y) * w + x] = keep(x - cx(), y - cy(), x, y);
        return m;
    }
};
} // namespace

TEST(FourierEffects, WindowSpansMatchTheCellRules)
{
    for (auto [w, h] : {std::pair{12, 10}, {10, 16}, {9, 7}})
    {
        const Rules R{w, h};
        const long long cx = R.cx(), cy = R.cy();
        for (int a = 0; a <= 9; ++a)
            for (int b = 0; b <= 9; ++b)
            {
                const std::string at = std::to_string(w) + "x" + std::to_string(h) + " (" +
                                       std::to_string(a) + "," + std::to_string(b) + ")";
                {
                    const long long rx = std::min<long long>(a, cx), ry = std::min<long long>(b, cy);
                    EXPECT_EQ(MaskOf<FCEffectFourierRect>(a, b)(w, h),
                              R.Build([&](auto dx, auto dy, auto, auto)
                                      { return std::llabs(dx) <= rx && std::llabs(dy) <= ry; }))
                        << "Rect " << at;
                    EXPECT_EQ(
                        MaskOf<FCEffectFourierRectangulairePasseHaut>(a, b)(w, h),
                        R.Build([&](auto, auto, auto x, auto y)
                                { return !(cy - ry <= y && y < cy + ry && cx - rx <= x && x < cx + rx); }))
                        << "RectangulairePasseHaut " << at;
                }
                {
                    const long long r2 = std::min<long long>({b, cy, cx}), r1 = std::min<long long>(a, r2);
                    auto inOuter = [&](auto dx, auto dy)
                    { return std::llabs(dx) < r2 && std::llabs(dy) < r2; };
                    auto inInner = [&](auto dx, auto dy)
                    { return std::llabs(dx) < r1 && std::llabs(dy) < r1; };
                    EXPECT_EQ(MaskOf<FCEffectFourierCarreCoupeBande>(a, b)(w, h),
                              R.Build([&](auto dx, auto dy, auto, auto)
                                      { return !(inOuter(dx, dy) && !inInner(dx, dy)); }))
                        << "CarreCoupeBande " << at;
                    EXPECT_EQ(
                        MaskOf<FCEffectFourierCarrePasseBande>(a, b)(w, h),
                        R.Build([&](auto dx, auto dy, auto, auto)
                                { return std::llabs(dx) <= r2 && std::llabs(dy) <= r2 && !inInner(dx, dy); }))
                        << "CarrePasseBande " << at;
                }
                for (int band = 0; band <= 4; ++band)
                {
                    const long long ix = std::max(0, a - band), iy = std::max(0, b - band);
                    const long long ox = std::min<long long>(a + band, cx),
                                    oy = std::min<long long>(b + band, cy);
                    const std::string bat = at + " band " + std::to_string(band);
                    EXPECT_EQ(MaskOf<FCEffectFourierRectangulaireCoupeBande>(a, b, band)(w, h),
                              R.Build(
                                  [&](auto dx, auto dy, auto, auto)
                                  {
                                      const bool outer = std::llabs(dx) < ox && std::llabs(dy) < oy;
                                      const bool inner = std::llabs(dx) < ix && std::llabs(dy) < iy;
                                      return !(outer && !inner);
                                  }))
                        << "RectangulaireCoupeBande " << bat;
                    EXPECT_EQ(MaskOf<FCEffectFourierRectangulairePasseBande>(a, b, band)(w, h),
                              R.Build(
                                  [&](auto dx, auto dy, auto x, auto y)
                                  {
                                      const bool outer = std::llabs(dx) <= ox && std::llabs(dy) <= oy;
                                      const bool inner =
                                          cx - ix <= x && x < cx + ix && cy - iy <= y && y < cy + iy;
                                      return outer && !inner;
                                  }))
                        << "RectangulairePasseBande " << bat;
                }
                {
                    // a: inner radius, b: outer radius (also the radius of the one-radius filters).
                    const long long r = b, r1 = std::min(a, b);
                    auto d2 = [](auto dx, auto dy) { return dx * dx + dy * dy; };
                    auto closedDisc = [&](auto dx, auto dy, long long rad)
                    { return std::llabs(dx) <= rad && std::llabs(dy) <= rad && d2(dx, dy) <= rad * rad; };
                    auto openDisc = [&](auto dx, auto dy, long long rad)
                    { return std::llabs(dx) < rad && std::llabs(dy) < rad && d2(dx, dy) < rad * rad; };
                    EXPECT_EQ(MaskOf<FCEffectFourierCirculaire>(b)(w, h),
                              R.Build([&](auto dx, auto dy, auto, auto) { return closedDisc(dx, dy, r); }))
                        << "Circulaire " << at;
                    EXPECT_EQ(MaskOf<FCEffectFourierCirculaire>(-b)(w, h),
                              MaskOf<FCEffectFourierCirculaire>(b)(w, h))
                        << "Circulaire takes the absolute radius " << at;
                    EXPECT_EQ(MaskOf<FCEffectFourierCirculairePasseHaut>(b)(w, h),
                              R.Build([&](auto dx, auto dy, auto, auto) { return !openDisc(dx, dy, r); }))
                        << "CirculairePasseHaut " << at;
                    EXPECT_EQ(MaskOf<FCEffectFourierCirculaireCoupeBande>(a, b)(w, h),
                              R.Build(
                                  [&](auto dx, auto dy, auto, auto)
                                  {
                                      const bool window = std::llabs(dx) < r && std::llabs(dy) < r;
                                      return !(window && r1 * r1 < d2(dx, dy) && d2(dx, dy) < r * r);
                                  }))
                        << "CirculaireCoupeBande " << at;
                    EXPECT_EQ(MaskOf<FCEffectFourierCirculairePasseBande>(a, b)(w, h),
                              R.Build([&](auto dx, auto dy, auto, auto)
                                      { return closedDisc(dx, dy, r) && !openDisc(dx, dy, r1); }))
                        << "CirculairePasseBande " << at;
                }
            }
    }
}

TEST(FourierEffects, WindowsStayInsideTheSpectrumWhateverTheirSize)
{
    // Far outside what the dialogs offer: every loop must stay on the spectrum's cells.
    for (int big : {100, 1 << 20, 2147483647})
    {
        EXPECT_EQ(Count(MaskOf<FCEffectFourierCirculairePasseHaut>(big)(6, 4)), 0);
        EXPECT_EQ(Count(MaskOf<FCEffectFourierCirculaireCoupeBande>(0, big)(6, 4)), 1);
        EXPECT_EQ(Count(MaskOf<FCEffectFourierCirculaire>(big)(6, 4)), 24);
        EXPECT_EQ(Count(MaskOf<FCEffectFourierRectangulairePasseBande>(big, big, 0)(6, 4)), 0);
        EXPECT_EQ(Count(MaskOf<FCEffectFourierRectangulaireCoupeBande>(big, big, 0)(6, 4)), 24);
    }
    EXPECT_EQ(Count(MaskOf<FCEffectFourierCirculaire>(-2147483647 - 1)(6, 4)), 24);
}

TEST(FourierEffects, GaussianWeights)
{
    Probe<FCEffectFourierGaussien> keepAll(nullptr, 0.0, true);
    keepAll.Mask(6, 4);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(keepAll.Re()[i], 1.0f) << "sigma 0 keeps every frequency";

    Probe<FCEffectFourierGaussien> narrow(nullptr, 0.5, true);
    narrow.Mask(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
        {
            const double d2 = (x - 3.0) * (x - 3.0) + (y - 2.0) * (y - 2.0);
            EXPECT_NEAR(narrow.Re()[y * 6 + x], std::exp(-0.5 * d2 * 0.25), 1e-6) << x << "," << y;
        }

    // Large enough for the weights to be computed on several threads.
    Probe<FCEffectFourierGaussien> wide(nullptr, 0.01, true);
    wide.Mask(640, 480);
    double worst = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
        {
            const double d2 = (x - 320.0) * (x - 320.0) + (y - 240.0) * (y - 240.0);
            worst = std::max(worst, std::fabs(wide.Re()[y * 640 + x] - std::exp(-0.5 * d2 * 1e-4)));
        }
    EXPECT_LT(worst, 1e-6);
}

TEST(FourierEffects, ClampedParametersAreStoredBack)
{
    FFTW3Helper fft;
    FCObjImage image = Greys(8, 6, 24);
    FCEffectFourierRect rect(&fft, 100, -3, true);
    RunEffect(image, rect, 1);
    EXPECT_EQ(rect.HalfSizeX(), 4);
    EXPECT_EQ(rect.HalfSizeY(), 0);

    image = Greys(8, 6, 24);
    FCEffectFourierCarrePasseHaut high(&fft, 7, true);
    RunEffect(image, high, 1);
    EXPECT_EQ(high.HalfSizeX(), 4);
    EXPECT_EQ(high.HalfSizeY(), 3);

    image = Greys(8, 6, 24);
    FCEffectFourierYuvCarreCoupeBande band(&fft, 9, 50);
    RunEffect(image, band, 1);
    EXPECT_EQ(band.OuterHalfSize(), 3);
    EXPECT_EQ(band.InnerHalfSize(), 3);

    image = Greys(8, 6, 24);
    FCEffectFourierCirculaireCoupeBande ring(&fft, 5, 2, true);
    RunEffect(image, ring, 1);
    EXPECT_EQ(ring.InnerRadius(), 2);
}

TEST(FourierEffects, OddSizesAreCroppedAndThinImagesRefused)
{
    FFTW3Helper fft;
    for (auto [w, h] : {std::pair{5, 4}, {7, 3}, {6, 5}, {2, 2}})
    {
        const FCObjImage source = Greys(w, h, 32);
        FCObjImage image(source);
        FCEffectFourierYuvRect keepAll(&fft, w, h);
        ASSERT_TRUE(RunEffect(image, keepAll, 1));
        EXPECT_EQ(image.Width(), w & ~1);
        EXPECT_EQ(image.Height(), h & ~1);
        const FCObjImage expected = Crop(source, w & ~1, h & ~1);
        EXPECT_LE(MaxDiff(image, expected), 1) << w << "x" << h;
        EXPECT_EQ(testimg::Alphas(image), testimg::Alphas(expected)) << w << "x" << h;
    }
    for (auto [w, h] : {std::pair{1, 1}, {1, 6}, {6, 1}})
    {
        const FCObjImage source = Greys(w, h, 24);
        FCObjImage image(source);
        FCEffectFourierCirculaire lowPass(&fft, 1, true);
        EXPECT_FALSE(lowPass.AcceptsImage(image));
        FCObjImage::ApplyEffect(image, lowPass, nullptr);
        EXPECT_TRUE(testimg::SamePixels(image, source)) << w << "x" << h;
    }
    FCObjImage grey8;
    grey8.Create(4, 4, 8);
    EXPECT_FALSE(FCEffectFourierCirculaire(&fft, 1, true).AcceptsImage(grey8));
}

TEST(FourierEffects, KeepAllFiltersReturnTheImage)
{
    FFTW3Helper fft;
    const FCObjImage source = testimg::Varied(24, 18, 32, 31);
    struct Case
    {
        const char* name;
        std::function<std::unique_ptr<FCImageEffect>()> make;
    } cases[] = {
        {"Rect luminance", [&] { return std::make_unique<FCEffectFourierRect>(&fft, 12, 9, true); }},
        {"Rect Y+U+V", [&] { return std::make_unique<FCEffectFourierYuvRect>(&fft, 12, 9); }},
        {"Gaussian 0 luminance", [&] { return std::make_unique<FCEffectFourierGaussien>(&fft, 0.0, true); }},
        {"Gaussian 0 Y+U+V", [&] { return std::make_unique<FCEffectFourierYuvGaussien>(&fft, 0.0); }},
        {"high-pass of nothing", [&] { return std::make_unique<FCEffectFourierYuvCarrePasseHaut>(&fft, 0); }},
        {"module and phase rebuilt", [&] { return std::make_unique<FCEffectFourier>(&fft, false); }},
    };
    for (const auto& c : cases)
    {
        FCObjImage image(source);
        auto effect = c.make();
        ASSERT_TRUE(RunEffect(image, *effect, 1)) << c.name;
        EXPECT_LE(MaxDiff(image, source), 1) << c.name;
        EXPECT_EQ(testimg::Alphas(image), testimg::Alphas(source)) << c.name;
    }
}

TEST(FourierEffects, CentreOnlyGivesTheMeanLuminance)
{
    FFTW3Helper fft;
    const FCObjImage source = testimg::Varied(16, 12, 24, 8);
    FCYUVPlanes in;
    ASSERT_TRUE(in.FromImage(source));
    double mean = 0;
    for (int i = 0; i < 16 * 12; ++i)
        mean += in.Y()[i];
    mean /= 16 * 12;

    // Luminance alone: Y flat at the mean, U and V as they were (up to the truncation to bytes).
    FCObjImage lum(source);
    FCEffectFourierRect centre(&fft, 0, 0, true);
    RunEffect(lum, centre, 1);
    FCYUVPlanes out;
    ASSERT_TRUE(out.FromImage(lum));
    int clampedPixels = 0;
    for (int i = 0; i < 16 * 12; ++i)
    {
        // A pixel whose colour left the RGB cube lost it to the clamp; the others keep it.
        const float r = YuvToRed(float(mean), in.U()[i], in.V()[i]);
        const float g = YuvToGreen(float(mean), in.U()[i], in.V()[i]);
        const float b = YuvToBlue(float(mean), in.U()[i], in.V()[i]);
        if (r < 0 || g < 0 || b < 0 || r > 255 || g > 255 || b > 255)
        {
            ++clampedPixels;
            continue;
        }
        EXPECT_NEAR(out.Y()[i], mean, 1.5) << i;
        EXPECT_NEAR(out.U()[i], in.U()[i], 1.5) << i;
        EXPECT_NEAR(out.V()[i], in.V()[i], 1.5) << i;
    }
    EXPECT_LT(clampedPixels, 16 * 12 / 2);

    // All three planes: one flat colour, the mean of the image.
    FCObjImage flat(source);
    FCEffectFourierYuvCarre yuvCentre(&fft, 0);
    RunEffect(flat, yuvCentre, 1);
    const BYTE* first = flat.PixelAddress(0, 0);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(std::memcmp(flat.PixelAddress(x, y), first, 3), 0) << x << "," << y;
    EXPECT_NEAR(YuvLuma(first[2], first[1], first[0]), mean, 1.5);
}

TEST(FourierEffects, ProgressPointsAndCancel)
{
    FFTW3Helper fft;
    const FCObjImage source = Greys(8, 6, 24);
    struct Case
    {
        const char* name;
        std::function<std::unique_ptr<FCImageEffect>()> make;
        std::vector<int> expected;
    } cases[] = {
        {"luminance",
         [&] { return std::make_unique<FCEffectFourierCirculaire>(&fft, 2, true); },
         {0, 5, 35, 65, 95}},
        {"Y+U+V",
         [&] { return std::make_unique<FCEffectFourierYuvCirculaire>(&fft, 2); },
         {0, 5, 15, 25, 35, 45, 55, 65, 75, 85, 95}},
        {"module", [&] { return std::make_unique<FCEffectFourierModule>(&fft, true); }, {0, 5, 65, 95}},
        {"phase", [&] { return std::make_unique<FCEffectFourierPhase>(&fft, true); }, {0, 5, 65, 95}},
    };
    for (const auto& c : cases)
    {
        FCObjImage plain(source);
        auto effect = c.make();
        Recorder all;
        FCObjImage::ApplyEffect(plain, *effect, &all);
        EXPECT_EQ(all.seen, c.expected) << c.name;
        EXPECT_FALSE(all.IsCancelled()) << c.name;

        // A refusal stops the pipeline at that checkpoint: no later step, no write-back.
        for (std::size_t refuse = 1; refuse < c.expected.size(); ++refuse)
        {
            FCObjImage refused(source);
            auto again = c.make();
            Recorder no(c.expected[refuse]);
            FCObjImage::ApplyEffect(refused, *again, &no);
            const std::vector<int> upTo(c.expected.begin(), c.expected.begin() + std::ptrdiff_t(refuse) + 1);
            EXPECT_EQ(no.seen, upTo) << c.name << " refusing " << c.expected[refuse];
            EXPECT_TRUE(no.IsCancelled()) << c.name;
            EXPECT_TRUE(testimg::SamePixels(refused, source)) << c.name << " refusing " << c.expected[refuse];
        }
    }
}

TEST(FourierEffects, ModuleAndPhaseDisplays)
{
    FFTW3Helper fft;
    // A constant image: one frequency, white at the centre, black elsewhere.
    FCObjImage flat = testimg::Flat(8, 6, 32, 90, 120, 200, 33);
    FCEffectFourierModule module(&fft, true);
    RunEffect(flat, module, 1);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
        {
            const BYTE* p = flat.PixelAddress(x, y);
            const int want = (x == 4 && y == 3) ? 255 : 0;
            EXPECT_TRUE(p[0] == want && p[1] == want && p[2] == want && p[3] == 33)
                << x << "," << y << ": " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]) << ","
                << int(p[3]);
        }

    // Black: every module and every phase 0, no scale. Both displays are black, never garbage.
    for (bool phase : {false, true})
    {
        FCObjImage black = testimg::Flat(6, 4, 24, 0, 0, 0);
        std::unique_ptr<FCImageEffect> fx;
        if (phase)
            fx = std::make_unique<FCEffectFourierPhase>(&fft, true);
        else
            fx = std::make_unique<FCEffectFourierModule>(&fft, true);
        RunEffect(black, *fx, 1);
        EXPECT_TRUE(testimg::SamePixels(black, testimg::Flat(6, 4, 24, 0, 0, 0)))
            << (phase ? "phase" : "module");
    }

    // Any picture: grey displays. The phase spans 0..255; the module is ln(1 + m) scaled so that
    // the largest gives 255, less ln(1 + the smallest), at its brightest at the centre.
    const FCObjImage source = testimg::Varied(16, 10, 24, 3);
    FCYUVPlanes planes;
    ASSERT_TRUE(planes.FromImage(source));
    std::vector<float> re(160), im(160);
    ASSERT_TRUE(fft.Forward(source, planes.Y(), re.data(), im.data()));
    double mmin = 1e30, mmax = 0;
    for (int i = 0; i < 160; ++i)
    {
        mmin = std::min(mmin, std::hypot(double(re[i]), double(im[i])));
        mmax = std::max(mmax, std::hypot(double(re[i]), double(im[i])));
    }
    const double lmin = std::log(1 + mmin), lmax = std::log(1 + mmax);
    ASSERT_GT(lmin, 0.5) << "the picture should have no empty frequency";
    for (bool phase : {false, true})
    {
        FCObjImage image(source);
        std::unique_ptr<FCImageEffect> fx;
        if (phase)
            fx = std::make_unique<FCEffectFourierPhase>(&fft, false);
        else
            fx = std::make_unique<FCEffectFourierModule>(&fft, false);
        RunEffect(image, *fx, 1);
        int lo = 255, hi = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 16; ++x)
            {
                const BYTE* p = image.PixelAddress(x, y);
                ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
                lo = std::min(lo, int(p[0]));
                hi = std::max(hi, int(p[0]));
                if (!phase)
                {
                    const double m = std::hypot(double(re[y * 16 + x]), double(im[y * 16 + x]));
                    EXPECT_NEAR(p[0], std::log(1 + m) * 255 / lmax - lmin, 1.01) << x << "," << y;
                }
            }
        if (phase)
        {
            EXPECT_EQ(lo, 0);
            EXPECT_GE(hi, 254);
        }
        else
        {
            EXPECT_EQ(int(image.PixelAddress(8, 5)[0]), hi);
            EXPECT_NEAR(hi, 255 - lmin, 1.01);
        }
    }
}

TEST(FourierEffects, ReusedObjectsFollowTheImageSize)
{
    FFTW3Helper fft;
    FCEffectFourierModule module(&fft, true);
    FCEffectFourierYuvGaussien gauss(&fft, 0.0);
    for (int n : {8, 32, 6})
    {
        const FCObjImage source = testimg::Varied(n, n, 24, n);
        FCObjImage a(source), b(source);
        RunEffect(a, module, 1);
        RunEffect(b, gauss, 1);
        FCObjImage fresh(source);
        FCEffectFourierModule other(&fft, true);
        RunEffect(fresh, other, 1);
        EXPECT_LE(MaxDiff(a, fresh), 1) << n;
        EXPECT_LE(MaxDiff(b, source), 1) << n;
    }
}

TEST(FourierEffects, WithoutATransformObjectNothingChanges)
{
    const FCObjImage source = Greys(8, 6, 24);
    FCObjImage a(source), b(source);
    FCEffectFourierYuvCirculaire lowPass(nullptr, 1);
    FCEffectFourierModule module(nullptr, true);
    RunEffect(a, lowPass, 1);
    RunEffect(b, module, 1);
    EXPECT_LE(MaxDiff(a, source), 1);
    EXPECT_LE(MaxDiff(b, source), 1);
}

// Every registered Fourier class on a 32-bit image with varied alpha, at an even size so that the
// crop keeps every pixel.
TEST(FourierEffects, EveryRegisteredClassKeepsAlpha)
{
    int seen = 0;
    for (const EffectEntry* e : EffectRegistry::Instance().All())
    {
        if (e->name.rfind("FCEffectFourier", 0) != 0) continue;
        ++seen;
        const FCObjImage source = testimg::Varied(20, 14, 32, 777);
        FCObjImage image(source);
        std::string error;
        auto effect = e->make(e->example, error);
        ASSERT_TRUE(effect) << e->name << ": " << error;
        ASSERT_TRUE(RunEffect(image, *effect, 8)) << e->name;
        ASSERT_EQ(image.Width(), 20) << e->name;
        EXPECT_EQ(testimg::Alphas(image), testimg::Alphas(source)) << e->name;
    }
    EXPECT_EQ(seen, 29);
}

// The preview worker filters while the user-interface thread rebuilds a spectrum display, both on
// the document's one transform object, at two sizes.
TEST(FourierEffects, TwoThreadsShareOneTransformObject)
{
    FFTW3Helper fft;
    const FCObjImage big = testimg::Varied(40, 30, 24, 1), small = testimg::Varied(18, 12, 24, 2);
    FCObjImage filteredRef(big), displayRef(small);
    {
        FCEffectFourierYuvCirculaire f(&fft, 6);
        FCEffectFourierModule m(&fft, true);
        RunEffect(filteredRef, f, 1);
        RunEffect(displayRef, m, 1);
    }
    int worst[2] = {0, 0};
    std::thread preview(
        [&]
        {
            for (int i = 0; i < 6; ++i)
            {
                FCObjImage image(big);
                FCEffectFourierYuvCirculaire f(&fft, 6);
                RunEffect(image, f, 1);
                worst[0] = std::max(worst[0], MaxDiff(image, filteredRef));
            }
        });
    for (int i = 0; i < 6; ++i)
    {
        FCObjImage image(small);
        FCEffectFourierModule m(&fft, true);
        RunEffect(image, m, 1);
        worst[1] = std::max(worst[1], MaxDiff(image, displayRef));
    }
    preview.join();
    EXPECT_LE(worst[0], 1);
    EXPECT_LE(worst[1], 1);
}
