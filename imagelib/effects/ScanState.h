// Per-pixel effects that carry work from one pixel to the next along a row (a sliding window, a
// running histogram) keep that work in a state of the calling thread, so that band threads never
// share it. A state is valid only for the run that built it: every run takes a token of its own
// in PrepareImage, and a state whose token differs is rebuilt.
#pragma once

#include <atomic>
#include <cstdint>

// A token no other run of any effect has had; never 0.
inline std::uint64_t NewEffectRunToken()
{
    static std::atomic<std::uint64_t> counter{0};
    return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}
