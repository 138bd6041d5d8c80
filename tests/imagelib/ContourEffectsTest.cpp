// The contour effects against plain loops, their fixtures (flat pictures, steps, ridges), the
// zero-crossing rules, and the progress and stopping of the multi-pass effects.
#include "NeighbourhoodReference.h"

#include "imagelib/FCBandRunner.h"
#include "imagelib/effects/ContourEffects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
using Grid = std::vector<std::vector<int>>;

constexpr int kRing[8] = {0, 1, 2, 5, 8, 7, 6, 3};

// The eight compass responses as described: 5 x three consecutive ring values, -3 x the others.
std::vector<int> Responses(const int* w)
{
    std::vector<int> r;
    for (int d = 0; d < 8; ++d)
    {
        int v = 0;
        for (int k = 0; k < 8; ++k)
        {
            const bool inThree = (k - d + 8) % 8 < 3;
            v += (inThree ? 5 : -3) * w[kRing[k]];
        }
        r.push_back(v);
    }
    return r;
}

int Kirsch(const int* w)
{
    int m = 0;
    for (int r : Responses(w))
        m = std::max(m, std::abs(r));
    return std::min(255, m >> 1);
}

int Contour(const int* w, double threshold)
{
    std::vector<int> a;
    for (int r : Responses(w))
        a.push_back(std::abs(r));
    const int mn = *std::min_element(a.begin(), a.end());
    const int mx = *std::max_element(a.begin(), a.end());
    int squares = 0;
    for (int v : a)
        squares += v * v;
    const double rms = std::sqrt(std::max(squares, 1) * 0.125);
    const double d = (mx - mn) > threshold ? (mn - rms) / (mx - mn) : (mn - rms) / threshold;
    const double value = std::trunc((w[5] - d) * 128 / rms);
    return value <= 0 ? 0 : (value >= 255 ? 255 : int(value));
}

template <int N> int Simple(const int* w)
{
    const int gx = (w[2] + N * w[5] + w[8]) - (w[0] + N * w[3] + w[6]);
    const int gy = (w[6] + N * w[7] + w[8]) - (w[0] + N * w[1] + w[2]);
    return std::min(255, std::abs(gx) + std::abs(gy));
}

int Crossing(int p, int r, int b, int d)
{
    bool any = false;
    for (int q : {r, b, d})
        any = any || (p >= 132 && q < 125) || (p < 125 && q >= 132);
    if (!any) return 0;
    int chosen = std::abs(p - r) > std::abs(p - b) ? p - r : p - b;
    chosen = std::abs(chosen) > std::abs(p - d) ? chosen : p - d;
    return std::min(255, 2 * std::abs(chosen));
}

// The two passes of the Laplacian contours, each over the whole picture.
FCObjImage LaplacianContours(const FCObjImage& source, int (*kernel)(const int*))
{
    const FCObjImage first = reference::PerWindow(source, kernel);
    return reference::PerChannel(first,
                                 [](const FCObjImage& s, int x, int y, int c)
                                 {
                                     return Crossing(reference::At(s, x, y, c), reference::At(s, x + 1, y, c),
                                                     reference::At(s, x, y + 1, c),
                                                     reference::At(s, x + 1, y + 1, c));
                                 });
}

int Laplacien2(const int* w)
{
    return reference::ClampByte(4 * w[4] - 2 * (w[1] + w[3] + w[5] + w[7]) + (w[0] + w[2] + w[6] + w[8]) +
                                128);
}
int Laplacien4(const int* w)
{
    return reference::ClampByte(4 * w[4] - (w[1] + w[3] + w[5] + w[7]) + 128);
}
int Laplacien8(const int* w)
{
    int around = 0;
    for (int i = 0; i < 9; ++i)
        around += i == 4 ? 0 : w[i];
    return reference::ClampByte(8 * w[4] - around + 128);
}

int Suppress(const int* w)
{
    const int gy = w[1] - w[7];
    const int gx = w[3] - w[5];
    const int g = std::abs(gx) > std::abs(gy) ? gx : gy;
    const int m = std::abs(g);
    if (m == 0) return 0;
    const int di = int(std::floor(double(gx) / m + 1.586)) - 1;
    const int dj = int(std::floor(double(gy) / m + 1.586)) - 1;
    if (w[4] < w[4 + di + 3 * dj]) return 0;
    return w[4] >= w[4 - di - 3 * dj] ? w[4] : 0;
}

// Smoothing, gradient, suppression, stretch of B, G and R, each pass over the whole picture.
FCObjImage Canny(const FCObjImage& source, bool use5x5, bool suppress)
{
    const FCObjImage smoothed =
        use5x5 ? reference::Convolution(source, 5, 159, 0, {2,  4, 5, 4, 2,  4, 9, 12, 9, 4, 5, 12, 15,
                                                            12, 5, 4, 9, 12, 9, 4, 2,  4, 5, 4, 2})
               : reference::Convolution(source, 3, 16, 0, {1, 2, 1, 2, 4, 2, 1, 2, 1});
    FCObjImage out = reference::PerWindow(
        smoothed, [](const int* w) { return std::min(255, std::abs(w[1] - w[7]) + std::abs(w[3] - w[5])); });
    if (suppress) out = reference::PerWindow(out, Suppress);
    int mx = 1;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                mx = std::max(mx, int(out.PixelAddress(x, y)[c]));
    return reference::PerChannel(out, [mx](const FCObjImage& s, int x, int y, int c)
                                 { return s.PixelAddress(x, y)[c] * 255 / mx; });
}

struct Contourer
{
    std::string name;
    std::function<std::unique_ptr<FCImageEffect>()> make;
    std::function<FCObjImage(const FCObjImage&)> reference;
};

const std::vector<Contourer>& Contourers()
{
    static const std::vector<Contourer> all = []
    {
        std::vector<Contourer> v{
            {"Prewitt", [] { return std::make_unique<FCEffectSimpleContour<1>>(); },
             [](const FCObjImage& s) { return reference::PerWindow(s, Simple<1>); }},
            {"Sobel", [] { return std::make_unique<FCEffectSimpleContour<2>>(); },
             [](const FCObjImage& s) { return reference::PerWindow(s, Simple<2>); }},
            {"Kirsch", [] { return std::make_unique<FCEffectGradientBase>(); },
             [](const FCObjImage& s) { return reference::PerWindow(s, Kirsch); }},
            {"Laplacien 2",
             [] { return std::make_unique<FCEffectContoursFilter<&FCEffectContoursLaplacien2>>(); },
             [](const FCObjImage& s) { return LaplacianContours(s, Laplacien2); }},
            {"Laplacien 4",
             [] { return std::make_unique<FCEffectContoursFilter<&FCEffectContoursLaplacien4>>(); },
             [](const FCObjImage& s) { return LaplacianContours(s, Laplacien4); }},
            {"Laplacien 8",
             [] { return std::make_unique<FCEffectContoursFilter<&FCEffectContoursLaplacien8>>(); },
             [](const FCObjImage& s) { return LaplacianContours(s, Laplacien8); }},
        };
        for (int threshold : {1, 10, 100})
            v.push_back({"gradient contours " + std::to_string(threshold),
                         [threshold] { return std::make_unique<FCEffectContoursGradient>(threshold); },
                         [threshold](const FCObjImage& s) {
                             return reference::PerWindow(s, [threshold](const int* w)
                                                         { return Contour(w, threshold * 0.1); });
                         }});
        for (bool use5x5 : {false, true})
            for (bool suppress : {false, true})
                v.push_back(
                    {std::string("Canny ") + (use5x5 ? "5x5" : "3x3") + (suppress ? " suppressed" : ""),
                     [=] { return std::make_unique<FCEffectContoursCanny>(use5x5, suppress); },
                     [=](const FCObjImage& s) { return Canny(s, use5x5, suppress); }});
        return v;
    }();
    return all;
}

FCObjImage Apply(const FCObjImage& source, FCImageEffect& effect, FCProgressObserver* observer = nullptr)
{
    FCObjImage image(source);
    FCObjImage::ApplyEffect(image, effect, observer);
    return image;
}

// A picture of soft shapes, where the gradients take every direction and strength.
FCObjImage Shapes(int width, int height, int bpp)
{
    FCObjImage image = testimg::Varied(width, height, bpp, 4242);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            BYTE* p = image.PixelAddress(x, y);
            const double r = std::hypot(x - width * 0.4, y - height * 0.6);
            p[0] = BYTE(int(r * 9) % 256);
            p[1] = BYTE((x * x + 3 * y) % 97 + (r < width / 3.0 ? 120 : 0));
            p[2] = BYTE(x * 255 / std::max(1, width - 1));
        }
    return image;
}
} // namespace

TEST(ContourTest, EveryEffectMatchesThePlainLoop)
{
    for (const Contourer& k : Contourers())
        ExpectSameAsPlainLoop(k.name, k.make, k.reference,
                              [](int w, int h, int bpp)
                              {
                                  std::vector<FCObjImage> v;
                                  v.push_back(testimg::Varied(w, h, bpp, std::uint32_t(w * 13 + h)));
                                  v.push_back(Shapes(w, h, bpp));
                                  v.push_back(testimg::TwoLevel(w, h, bpp, 30, std::uint32_t(w + 5 * h)));
                                  return v;
                              });
}

TEST(ContourTest, FlatPictures)
{
    for (int bpp : {24, 32})
        for (BYTE v : {BYTE(0), BYTE(1), BYTE(90), BYTE(255)})
        {
            const FCObjImage flat = testimg::Flat(6, 5, bpp, v, v, v, 77);
            for (const Contourer& k : Contourers())
            {
                int expected = 0;
                if (k.name.rfind("gradient contours", 0) == 0)
                {
                    if (k.name != "gradient contours 10")
                        continue; // the other thresholds are compared with the plain loop only
                    // rms = sqrt(0.125) and d = -rms: (v + rms) x 128 / rms is 128 for black, far
                    // above 255 for anything else.
                    expected = v == 0 ? 128 : 255;
                }
                auto effect = k.make();
                EXPECT_TRUE(testimg::SamePixels(
                    Apply(flat, *effect),
                    testimg::Flat(6, 5, bpp, BYTE(expected), BYTE(expected), BYTE(expected), 77)))
                    << k.name << " on " << int(v) << " at " << bpp;
            }
        }
}

TEST(ContourTest, AVerticalStepSaturatesPrewittAndSobelOnBothColumns)
{
    FCObjImage step = testimg::Flat(6, 3, 24, 0, 0, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 3; x < 6; ++x)
        {
            BYTE* p = step.PixelAddress(x, y);
            p[0] = p[1] = p[2] = 255;
        }
    const Grid expected(3, std::vector<int>{0, 0, 255, 255, 0, 0});
    FCEffectSimpleContour<1> prewitt;
    FCEffectSimpleContour<2> sobel;
    EXPECT_EQ(testimg::Channel(Apply(step, prewitt)), expected);
    EXPECT_EQ(testimg::Channel(Apply(step, sobel), 2), expected);
}

TEST(ContourTest, KirschResponsesGoRoundTheRing)
{
    const int top[9] = {255, 255, 255, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(FCEffectGradientBase::KirschMagnitude(top), 255); // 3825 >> 1, capped

    // Directions 6 and 7 wrap round the ring: w6, w3, w0 and w3, w0, w1.
    const int left[9] = {10, 0, 0, 10, 0, 0, 10, 0, 0};
    int r[8];
    FCEffectGradientBase::KirschResponses(left, r);
    EXPECT_EQ(r[6], 150);
    EXPECT_EQ(r[7], 5 * 20 - 3 * 10);
    EXPECT_EQ(r[0], 5 * 10 - 3 * 20);
    EXPECT_EQ(FCEffectGradientBase::KirschMagnitude(left), 75);

    // The centre takes no part.
    const int centre[9] = {0, 0, 0, 0, 255, 0, 0, 0, 0};
    EXPECT_EQ(FCEffectGradientBase::KirschMagnitude(centre), 0);
}

TEST(ContourTest, ContourValueReadsTheRightNeighbourAndNotTheCentre)
{
    FCEffectContoursGradient effect(10);
    const int right[9] = {0, 0, 0, 0, 0, 1, 0, 0, 0};
    const int left[9] = {0, 0, 0, 1, 0, 0, 0, 0, 0}; // the mirror: the same responses
    const int centre[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(effect.ContourValue(right), Contour(right, 1.0));
    EXPECT_EQ(effect.ContourValue(left), Contour(left, 1.0));
    EXPECT_GT(effect.ContourValue(right), effect.ContourValue(left));
    EXPECT_EQ(effect.ContourValue(centre), 128); // would be 255 if the centre were read
}

TEST(ContourTest, AThresholdBelowOneCountsAsOne)
{
    const FCObjImage source = Shapes(17, 9, 32);
    FCEffectContoursGradient one(1);
    for (int threshold : {0, -40})
    {
        FCEffectContoursGradient effect(threshold);
        EXPECT_DOUBLE_EQ(effect.Threshold(), 0.1) << threshold;
        EXPECT_TRUE(testimg::SamePixels(Apply(source, effect), Apply(source, one))) << threshold;
    }
    EXPECT_DOUBLE_EQ(FCEffectContoursGradient(10).Threshold(), 1.0);
}

TEST(ContourTest, ZeroCrossingRules)
{
    struct Case
    {
        int p, r, b, d, expected;
    } cases[] = {
        {200, 100, 100, 100, 200}, // every neighbour across: 2 x 100
        {130, 0, 0, 0, 0},         // 130 lies in the dead band
        {125, 255, 255, 255, 0},   // so does 125
        {131, 0, 0, 0, 0},
        {124, 132, 124, 124, 16}, // below the band, the right neighbour above it: 2 x |124 - 132|
        {132, 124, 132, 132, 16}, // 2 x |132 - 124|
        {140, 130, 130, 120, 40}, // the crossing is with d only; the largest difference is p - d
        {200, 190, 150, 0, 255},  // 2 x 200 capped
        {150, 149, 148, 147, 0},  // nothing crosses
        {100, 200, 60, 100, 200}, // |p - r| = 100 beats |p - b| = 40
        {100, 140, 60, 100, 80},  // |p - r| = |p - b| = 40: the larger of those and p - d
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(ZeroCrossing2x2(c.p, c.r, c.b, c.d), c.expected)
            << c.p << " " << c.r << " " << c.b << " " << c.d;
        EXPECT_EQ(Crossing(c.p, c.r, c.b, c.d), c.expected) << "the case itself is wrong: " << c.p;
    }
}

TEST(ContourTest, SuppressionKeepsMaximaAlongTheGradient)
{
    struct Case
    {
        const char* name;
        int w[9];
        int expected;
    } cases[] = {
        {"a ridge along a column with unequal flanks", {50, 100, 30, 50, 100, 30, 50, 100, 30}, 100},
        {"a plateau two pixels wide", {0, 100, 100, 0, 100, 100, 0, 100, 100}, 100},
        {"a point below its neighbour along the gradient", {0, 0, 0, 90, 60, 10, 0, 0, 0}, 0},
        {"a point below its neighbour against the gradient", {0, 0, 0, 10, 60, 90, 0, 0, 0}, 0},
        {"a point above both neighbours of a diagonal gradient", {40, 30, 0, 30, 70, 0, 0, 0, 10}, 70},
        // No gradient at all: the centre is suppressed, even on the crest of a symmetric ridge.
        {"a symmetric ridge along a column", {20, 100, 20, 20, 100, 20, 20, 100, 20}, 0},
        {"a flat window", {9, 9, 9, 9, 9, 9, 9, 9, 9}, 0},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(FCEffectContoursCanny::SuppressNonMaximum(c.w), c.expected) << c.name;
        EXPECT_EQ(Suppress(c.w), c.expected) << "the case itself is wrong: " << c.name;
    }
}

TEST(ContourTest, CannyStretchesColourOnlyAndTheSameAt24And32Bits)
{
    // A dark picture: its gradients stay well below 255 until the stretch.
    FCObjImage dark = Shapes(23, 19, 24);
    for (int y = 0; y < dark.Height(); ++y)
        for (int x = 0; x < dark.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                dark.PixelAddress(x, y)[c] = BYTE(dark.PixelAddress(x, y)[c] / 4);
    FCObjImage opaque(dark);
    opaque.ConvertBitDepth(32); // alpha 255 everywhere
    for (bool suppress : {false, true})
    {
        FCEffectContoursCanny c24(false, suppress), c32(false, suppress);
        const FCObjImage r24 = Apply(dark, c24);
        const FCObjImage r32 = Apply(opaque, c32);
        int mx = 0;
        for (int y = 0; y < r24.Height(); ++y)
            for (int x = 0; x < r24.Width(); ++x)
                for (int c = 0; c < 3; ++c)
                {
                    mx = std::max(mx, int(r24.PixelAddress(x, y)[c]));
                    EXPECT_EQ(r24.PixelAddress(x, y)[c], r32.PixelAddress(x, y)[c]) << x << ", " << y;
                }
        EXPECT_EQ(mx, 255) << suppress;
        EXPECT_EQ(testimg::Alphas(r32), testimg::Alphas(opaque));
    }
}

TEST(ContourTest, ProgressOfTheMultiPassEffects)
{
    const FCObjImage image = Shapes(5, 4, 24);
    struct Case
    {
        const char* name;
        std::function<std::unique_ptr<FCImageEffect>()> make;
        std::vector<int> reports; // the driver's 0 first
    } cases[] = {
        {"Laplacian",
         [] { return std::make_unique<FCEffectContoursFilter<&FCEffectContoursLaplacien8>>(); },
         {0, 12, 25, 37, 50, 62, 75, 87, 100}},
        {"Canny with suppression",
         [] { return std::make_unique<FCEffectContoursCanny>(false, true); },
         {0, 12, 25, 37, 50, 56, 62, 68, 75, 81, 87, 93, 100}},
        {"Canny without suppression",
         [] { return std::make_unique<FCEffectContoursCanny>(true, false); },
         {0, 12, 25, 37, 50, 62, 75, 87, 100}},
    };
    for (const Case& c : cases)
    {
        RecordingObserver observer;
        auto effect = c.make();
        Apply(image, *effect, &observer);
        EXPECT_EQ(observer.calls, c.reports) << c.name;
        EXPECT_EQ(observer.GetCancelFlag(), 0) << c.name;
    }
}

TEST(ContourTest, AStopEndsThePassAndTheNextPassesAfterTheirFirstRow)
{
    const FCObjImage image = Shapes(5, 4, 32);

    // The observer answers false to the report after the second row of the first pass (25).
    RecordingObserver laplacianStop(2);
    FCEffectContoursFilter<&FCEffectContoursLaplacien8> laplacian;
    const FCObjImage stopped = Apply(image, laplacian, &laplacianStop);
    EXPECT_EQ(laplacianStop.calls, (std::vector<int>{0, 12, 25, 62}));
    EXPECT_EQ(laplacianStop.GetCancelFlag(), 1);
    // Rows 2 and 3 were never reached; row 1 went through the first pass only.
    for (int y : {2, 3})
        EXPECT_EQ(std::memcmp(stopped.RowAddress(y), image.RowAddress(y), 5 * 4), 0) << y;
    const FCObjImage firstPass = reference::PerWindow(image, Laplacien8);
    EXPECT_EQ(std::memcmp(stopped.RowAddress(1), firstPass.RowAddress(1), 5 * 4), 0);

    // Canny: the stretch still runs after the stop.
    FCObjImage dark(image);
    for (int y = 0; y < 4; ++y)
        for (int i = 0; i < 5 * 4; ++i)
            if (i % 4 != 3) dark.RowAddress(y)[i] = BYTE(dark.RowAddress(y)[i] / 3);
    RecordingObserver cannyStop(2);
    FCEffectContoursCanny canny(false, true);
    const FCObjImage partial = Apply(dark, canny, &cannyStop);
    EXPECT_EQ(cannyStop.calls, (std::vector<int>{0, 12, 25, 56, 81}));
    int mx = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 3; ++c)
                mx = std::max(mx, int(partial.PixelAddress(x, y)[c]));
    EXPECT_EQ(mx, 255);
    EXPECT_EQ(testimg::Alphas(partial), testimg::Alphas(dark));

    // A cancel flag set from elsewhere, while OnProgress keeps answering true, stops the same way.
    class FlagSetter : public RecordingObserver
    {
    public:
        bool OnProgress(int percent) override
        {
            RecordingObserver::OnProgress(percent);
            if (calls.size() == 2) SetCancelFlag(1);
            return true;
        }
    } flagged;
    FCEffectContoursFilter<&FCEffectContoursLaplacien4> other;
    Apply(image, other, &flagged);
    EXPECT_EQ(flagged.calls, (std::vector<int>{0, 12, 62}));
}

// The in-place passes share blocks of rows between threads: a picture tall enough for several
// blocks, of a prime height, gives the plain loop's bytes on any thread count.
TEST(ContourTest, BlocksOfRowsOnSeveralThreadsGiveThePlainLoopsBytes)
{
    for (int bpp : {24, 32})
    {
        const FCObjImage source = Shapes(23, 331, bpp);
        for (const Contourer& k : Contourers())
        {
            const FCObjImage expected = k.reference(source);
            for (int threads : {2, 3, 8})
            {
                FCObjImage image(source);
                auto effect = k.make();
                RunEffect(image, *effect, threads);
                EXPECT_EQ(testimg::FirstDifference(image, expected), "")
                    << k.name << " at " << bpp << " bits on " << threads << " threads";
            }
        }
    }
}

// On several threads a stop ends the pass once the rows in hand are done: progress rises, never
// reaches the second half, and the next pass does its first row only (the bytes below it are the
// first pass's).
TEST(ContourTest, AStopOnSeveralThreadsEndsThePassesEarly)
{
    const FCObjImage source = Shapes(23, 331, 24);
    RecordingObserver stopAt(2);
    FCEffectContoursFilter<&FCEffectContoursLaplacien8> laplacian;
    FCObjImage image(source);
    RunEffect(image, laplacian, 8, &stopAt);
    ASSERT_GE(stopAt.calls.size(), 3u);
    EXPECT_TRUE(std::is_sorted(stopAt.calls.begin(), stopAt.calls.end()));
    EXPECT_EQ(stopAt.calls.back(), 50); // the second pass's first row, and nothing after it
    EXPECT_EQ(std::count_if(stopAt.calls.begin(), stopAt.calls.end(), [](int c) { return c >= 50; }), 1);
    EXPECT_EQ(stopAt.GetCancelFlag(), 1);
    const FCObjImage firstPass = reference::PerWindow(source, Laplacien8);
    const std::size_t rowBytes = 23 * 3;
    EXPECT_EQ(std::memcmp(image.RowAddress(300), firstPass.RowAddress(300), rowBytes) == 0 ||
                  std::memcmp(image.RowAddress(300), source.RowAddress(300), rowBytes) == 0,
              true)
        << "a row is either untouched or the first pass's";
}

TEST(ContourTest, MarkZeroCrossingPixelByPixelGivesTheSecondPass)
{
    // The second pass marks a row at a time; pixel by pixel in scan order over the first pass's
    // picture, MarkZeroCrossing must give the same bytes.
    for (int bpp : {24, 32})
    {
        const FCObjImage source = Shapes(31, 9, bpp);
        FCEffectContoursFilter<&FCEffectContoursLaplacien4> effect;
        const FCObjImage whole = Apply(source, effect);
        FCObjImage marked = reference::PerWindow(source, Laplacien4);
        for (int y = 0; y < marked.Height(); ++y)
            for (int x = 0; x < marked.Width(); ++x)
                effect.MarkZeroCrossing(marked, x, y, marked.PixelAddress(x, y));
        EXPECT_EQ(testimg::FirstDifference(marked, whole), "") << bpp;
    }
}
