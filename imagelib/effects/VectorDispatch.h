// Which instruction set the vectorised loops of the blurs take: AVX2 where the processor has it,
// else the baseline one. Both give the same bytes; tests switch AVX2 off to run the baseline loops
// on any machine.
#pragma once

#include <atomic>

inline std::atomic<bool>& Avx2Allowed()
{
    static std::atomic<bool> allowed{true};
    return allowed;
}

inline bool UseAvx2()
{
#if defined(__x86_64__)
    return Avx2Allowed().load(std::memory_order_relaxed) && __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

// For tests: false keeps the loops on the baseline instruction set until set back to true.
inline void AllowAvx2(bool allowed)
{
    Avx2Allowed().store(allowed, std::memory_order_relaxed);
}
