// The Fourier transform object: centred spectrum, round trip, size changes, failures and use
// from two threads. FFT outputs are compared with a tolerance, never bit for bit: FFTW may pick
// other algorithms for other thread counts.
#include "TestImages.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/FFTW3Helper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <thread>
#include <vector>

namespace
{
FCObjImage SizeOnly(int w, int h)
{
    FCObjImage image;
    image.Create(w, h, 24);
    return image;
}

std::vector<float> Noise(int w, int h, std::uint32_t seed)
{
    std::vector<float> p(std::size_t(w) * h);
    for (float& v : p)
    {
        seed = seed * 1664525u + 1013904223u;
        v = float(seed >> 24);
    }
    return p;
}

// The centred spectrum by the definition, separably, in double.
std::vector<std::complex<double>> ReferenceSpectrum(const std::vector<float>& plane, int w, int h)
{
    const double pi = std::acos(-1.0);
    std::vector<std::complex<double>> rows(std::size_t(w) * h), out(std::size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int u = 0; u < w; ++u)
        {
            std::complex<double> s = 0;
            for (int x = 0; x < w; ++x)
            {
                const double v = plane[std::size_t(y) * w + x] * (((x + y) & 1) ? -1.0 : 1.0);
                s += v * std::polar(1.0, -2 * pi * double(u) * x / w);
            }
            rows[std::size_t(y) * w + u] = s;
        }
    for (int u = 0; u < w; ++u)
        for (int v = 0; v < h; ++v)
        {
            std::complex<double> s = 0;
            for (int y = 0; y < h; ++y)
                s += rows[std::size_t(y) * w + u] * std::polar(1.0, -2 * pi * double(v) * y / h);
            out[std::size_t(v) * w + u] = s;
        }
    return out;
}

// Largest difference between Forward's output and the reference, relative to the largest cell.
double SpectrumError(FFTW3Helper& fft, int w, int h, std::uint32_t seed)
{
    const FCObjImage size = SizeOnly(w, h);
    const std::vector<float> plane = Noise(w, h, seed);
    std::vector<float> re(plane.size()), im(plane.size());
    if (!fft.Forward(size, plane.data(), re.data(), im.data())) return 1e30;
    const auto ref = ReferenceSpectrum(plane, w, h);
    double err = 0, scale = 0;
    for (std::size_t i = 0; i < plane.size(); ++i)
    {
        err = std::max(err, std::abs(ref[i] - std::complex<double>(re[i], im[i])));
        scale = std::max(scale, std::abs(ref[i]));
    }
    return err / scale;
}

double RoundTripError(FFTW3Helper& fft, int w, int h, std::uint32_t seed)
{
    const FCObjImage size = SizeOnly(w, h);
    const std::vector<float> plane = Noise(w, h, seed);
    std::vector<float> re(plane.size()), im(plane.size()), back(plane.size(), -1.0f);
    if (!fft.Forward(size, plane.data(), re.data(), im.data()) ||
        !fft.Inverse(size, re.data(), im.data(), back.data()))
        return 1e30;
    double err = 0;
    for (std::size_t i = 0; i < plane.size(); ++i)
        err = std::max(err, double(std::fabs(back[i] - plane[i])));
    return err;
}
} // namespace

TEST(FourierTransform, ConstantPlaneGivesOnlyTheCentreCell)
{
    FFTW3Helper fft;
    const int w = 8, h = 6;
    const FCObjImage size = SizeOnly(w, h);
    std::vector<float> plane(w * h, 3.0f), re(w * h), im(w * h);
    ASSERT_TRUE(fft.Forward(size, plane.data(), re.data(), im.data()));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const int i = y * w + x;
            EXPECT_NEAR(re[i], (x == w / 2 && y == h / 2) ? 144.0f : 0.0f, 1e-4) << x << "," << y;
            EXPECT_NEAR(im[i], 0.0f, 1e-4) << x << "," << y;
        }
}

TEST(FourierTransform, ImpulseAndCosinePinTheCentringAndTheScale)
{
    FFTW3Helper fft;
    const int w = 8, h = 8;
    const FCObjImage size = SizeOnly(w, h);
    std::vector<float> plane(w * h, 0.0f), re(w * h), im(w * h);

    // An impulse at the origin has a flat spectrum of magnitude 1: no scaling on the way in.
    plane[0] = 1.0f;
    ASSERT_TRUE(fft.Forward(size, plane.data(), re.data(), im.data()));
    for (int i = 0; i < w * h; ++i)
        EXPECT_NEAR(std::hypot(re[i], im[i]), 1.0f, 1e-5) << i;

    // One horizontal period lands one cell either side of the centre, half the energy in each.
    const double pi = std::acos(-1.0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            plane[y * w + x] = float(std::cos(2 * pi * x / w));
    ASSERT_TRUE(fft.Forward(size, plane.data(), re.data(), im.data()));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const bool peak = y == h / 2 && (x == w / 2 - 1 || x == w / 2 + 1);
            EXPECT_NEAR(std::hypot(re[y * w + x], im[y * w + x]), peak ? 32.0f : 0.0f, 1e-4) << x << "," << y;
        }
}

TEST(FourierTransform, MatchesTheDefinitionAndComesBack)
{
    FFTW3Helper fft;
    for (auto [w, h] : {std::pair{4, 2}, {8, 6}, {5, 3}, {1, 7}, {16, 1}, {12, 10}})
    {
        EXPECT_LT(SpectrumError(fft, w, h, 7), 1e-5) << w << "x" << h;
        EXPECT_LT(RoundTripError(fft, w, h, 9), 1e-3) << w << "x" << h;
    }
}

TEST(FourierTransform, SizeChangesRebuildBothDirections)
{
    FFTW3Helper fft;
    EXPECT_EQ(fft.PlannedWidth(), 0u);
    for (int round = 0; round < 2; ++round)
        for (int n : {64, 32})
        {
            EXPECT_LT(SpectrumError(fft, n, n, 100 + n + round), 1e-5) << n;
            EXPECT_EQ(fft.PlannedWidth(), unsigned(n));
            EXPECT_EQ(fft.PlannedHeight(), unsigned(n));
        }

    // Inverse planned at one size, forward moved to another: the inverse must follow.
    const FCObjImage a = SizeOnly(6, 4), b = SizeOnly(10, 8);
    ASSERT_TRUE(fft.PlanInverse(a));
    ASSERT_TRUE(fft.PlanForward(a));
    std::vector<float> plane = Noise(10, 8, 3), re(80), im(80), back(80);
    ASSERT_TRUE(fft.Forward(b, plane.data(), re.data(), im.data()));
    ASSERT_TRUE(fft.Inverse(b, re.data(), im.data(), back.data()));
    for (int i = 0; i < 80; ++i)
        EXPECT_NEAR(back[i], plane[i], 1e-3) << i;
}

TEST(FourierTransform, EmptyImageIsRefusedAndOutputsUntouched)
{
    FFTW3Helper fft;
    FCObjImage empty;
    float plane[4] = {1, 2, 3, 4}, re[4] = {7, 7, 7, 7}, im[4] = {7, 7, 7, 7};
    EXPECT_FALSE(fft.PlanForward(empty));
    EXPECT_FALSE(fft.PlanInverse(empty));
    EXPECT_FALSE(fft.Forward(empty, plane, re, im));
    EXPECT_FALSE(fft.Inverse(empty, re, im, plane));
    EXPECT_EQ(re[0], 7.0f);
    EXPECT_EQ(plane[0], 1.0f);
    EXPECT_EQ(FFTW3Helper::PlanThreads(), kMaxRunThreads);
}

// The preview worker and the user-interface thread may use one document's object at once, and
// two documents may plan at once: every result must still be right.
TEST(FourierTransform, OneObjectAndTwoObjectsFromTwoThreads)
{
    FFTW3Helper shared;
    FFTW3Helper own[2];
    double worst[2][2] = {{0, 0}, {0, 0}};
    auto work = [&](int t)
    {
        for (int i = 0; i < 12; ++i)
        {
            const int w = (t == 0) ? 16 + 2 * (i % 3) : 24 - 2 * (i % 2), h = 12 + t * 2;
            worst[t][0] = std::max(worst[t][0], RoundTripError(shared, w, h, 11 + i));
            worst[t][1] = std::max(worst[t][1], RoundTripError(own[t], h, w, 13 + i));
        }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    for (int t = 0; t < 2; ++t)
    {
        EXPECT_LT(worst[t][0], 1e-3) << "shared object, thread " << t;
        EXPECT_LT(worst[t][1], 1e-3) << "own object, thread " << t;
    }
}

// Planes large enough for the copies in and out to be split over threads.
TEST(FourierTransform, LargePlaneImpulseAndRoundTrip)
{
    FFTW3Helper fft;
    const int w = 640, h = 480, x0 = 3, y0 = 302;
    const FCObjImage size = SizeOnly(w, h);
    std::vector<float> plane(std::size_t(w) * h, 0.0f), re(plane.size()), im(plane.size());
    plane[std::size_t(y0) * w + x0] = 2.0f;
    ASSERT_TRUE(fft.Forward(size, plane.data(), re.data(), im.data()));
    const double pi = std::acos(-1.0);
    double worst = 0;
    for (int v = 0; v < h; ++v)
        for (int u = 0; u < w; ++u)
        {
            // 2 (-1)^(x0 + y0) e^(-2 pi i (u x0 / w + v y0 / h))
            const std::complex<double> want =
                (((x0 + y0) & 1) ? -2.0 : 2.0) *
                std::polar(1.0, -2 * pi * (double(u) * x0 / w + double(v) * y0 / h));
            const std::size_t i = std::size_t(v) * w + u;
            worst = std::max(worst, std::abs(want - std::complex<double>(re[i], im[i])));
        }
    EXPECT_LT(worst, 1e-4);
    EXPECT_LT(RoundTripError(fft, w, h, 5), 1e-3);
}
