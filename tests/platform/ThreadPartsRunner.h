// What the codec tests share: a parts runner on threads of the test's own (as the image
// library's runner would run the parts, with the test's thread count), and pictures with flat
// runs, gradients and noise.
#pragma once

#include "platform/imaging/SharedWork.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <random>
#include <thread>
#include <vector>

namespace codec_test
{
using imaging::PartBody;
using imaging::PartsRunner;

// Parts on threads of their own, as the image library's runner would run them; the thread count
// is the test's.
inline std::size_t g_threads = 1;
inline const PartsRunner kThreadRunner{[] { return g_threads; },
                                       [](std::size_t parts, PartBody body, void* context)
                                       {
                                           std::vector<std::thread> threads;
                                           for (std::size_t k = 0; k < parts; ++k)
                                               threads.emplace_back(body, context, k);
                                           for (std::thread& t : threads)
                                               t.join();
                                       }};

struct RunnerScope
{
    explicit RunnerScope(std::size_t threads)
    {
        g_threads = threads;
        imaging::SetPartsRunner(&kThreadRunner);
    }
    ~RunnerScope() { imaging::SetPartsRunner(nullptr); }
};

// A picture with flat runs, gradients and noise: every filter byte and match length occurs.
inline std::vector<BYTE> MakePixels(int width, int height, int channels)
{
    std::vector<BYTE> pixels(std::size_t(width) * std::size_t(height) * std::size_t(channels));
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            BYTE* p = &pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * std::size_t(channels)];
            const bool noisy = (y / 37 + x / 53) % 3 == 0;
            for (int c = 0; c < channels; ++c)
                p[c] = noisy ? BYTE(random()) : BYTE(x * (c + 1) + y * (3 - c));
        }
    return pixels;
}
} // namespace codec_test
