// The one way the library uses vector instructions. The loops of a family are written once, in a
// kernel file of their own (FamilyKernels.inl): plain loops the compiler vectorises, or GCC's
// vector types where the lanes must be spelt out. The family's source includes that file once in
// a namespace of its own for the baseline instruction set and once more between
// ORVALIS_AVX2_BEGIN and ORVALIS_AVX2_END, and keeps a table of the two sets of functions; a
// family whose lanes are spelt out may add a third, between ORVALIS_AVX512_BEGIN and
// ORVALIS_AVX512_END, with vectors twice as wide. Which table a run takes is decided once, by
// UseAvx512() and UseAvx2(), per band (when its working state is made) or per whole-image pass,
// never per pixel. Every table gives the same bytes: integer arithmetic, or floating point in the
// order written, without contraction (a loop that fuses or reorders on purpose keeps only the
// results it can show round as the plain loop's, and makes the others again in the plain order:
// the Gaussian blur's opaque loops at AVX-512). Tests switch AVX-512, or AVX2 and AVX-512, off to run the
// narrower loops on any machine.
#pragma once

#include <atomic>

// ORVALIS_AVX2_BEGIN and ORVALIS_AVX2_END enclose code to compile for AVX2 (without FMA, so that
// no multiply and add fuse), where ORVALIS_AVX2_TARGET says the compiler can; ORVALIS_AVX512_BEGIN
// and ORVALIS_AVX512_END the same for AVX-512, the loops the compiler vectorises made 512 bits
// wide (its fused instructions are never chosen: the build turns contraction off).
#if defined(__x86_64__)
#define ORVALIS_AVX2_TARGET 1
#if defined(__clang__)
#define ORVALIS_AVX2_BEGIN                                                                                   \
    _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
#define ORVALIS_AVX2_END _Pragma("clang attribute pop")
// clang-format off
// (_Pragma takes one string literal: the line stays whole)
#define ORVALIS_AVX512_BEGIN _Pragma("clang attribute push(__attribute__((target(\"avx512f,avx512vl,avx512dq,avx512bw\"))), apply_to = function)")
// clang-format on
#define ORVALIS_AVX512_END _Pragma("clang attribute pop")
#else
#define ORVALIS_AVX2_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define ORVALIS_AVX2_END _Pragma("GCC pop_options")
#define ORVALIS_AVX512_BEGIN                                                                                 \
    _Pragma("GCC push_options")                                                                              \
        _Pragma("GCC target(\"avx512f,avx512vl,avx512dq,avx512bw,prefer-vector-width=512\")")
#define ORVALIS_AVX512_END _Pragma("GCC pop_options")
#endif
#endif

inline std::atomic<bool>& Avx2Allowed()
{
    static std::atomic<bool> allowed{true};
    return allowed;
}

inline bool UseAvx2()
{
#ifdef ORVALIS_AVX2_TARGET
    return Avx2Allowed().load(std::memory_order_relaxed) && __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

inline std::atomic<bool>& Avx512Allowed()
{
    static std::atomic<bool> allowed{true};
    return allowed;
}

// AVX-512 with the doubleword, quadword, byte and word forms and their 128/256-bit encodings.
inline bool UseAvx512()
{
#ifdef ORVALIS_AVX2_TARGET
    return Avx2Allowed().load(std::memory_order_relaxed) && Avx512Allowed().load(std::memory_order_relaxed) &&
           __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw");
#else
    return false;
#endif
}

// For tests: false keeps the loops on the baseline instruction set until set back to true.
inline void AllowAvx2(bool allowed)
{
    Avx2Allowed().store(allowed, std::memory_order_relaxed);
}

// For tests: false keeps the loops at AVX2 at most until set back to true.
inline void AllowAvx512(bool allowed)
{
    Avx512Allowed().store(allowed, std::memory_order_relaxed);
}
