// The one way the library uses vector instructions. The loops of a family are written once, in a
// kernel file of their own (FamilyKernels.inl): plain loops the compiler vectorises, or GCC's
// vector types where the lanes must be spelt out. The family's source includes that file once in
// a namespace of its own for the baseline instruction set and once more between
// ORVALIS_AVX2_BEGIN and ORVALIS_AVX2_END, and keeps a table of the two sets of functions. Which
// table a run takes is decided once, by UseAvx2(), per band (when its working state is made) or
// per whole-image pass, never per pixel. Both tables give the same bytes: integer arithmetic, or
// floating point in the order written, without contraction. Tests switch AVX2 off to run the
// baseline loops on any machine.
#pragma once

#include <atomic>

// ORVALIS_AVX2_BEGIN and ORVALIS_AVX2_END enclose code to compile for AVX2 (without FMA, so that
// no multiply and add fuse), where ORVALIS_AVX2_TARGET says the compiler can.
#if defined(__x86_64__)
#define ORVALIS_AVX2_TARGET 1
#if defined(__clang__)
#define ORVALIS_AVX2_BEGIN                                                                                   \
    _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
#define ORVALIS_AVX2_END _Pragma("clang attribute pop")
#else
#define ORVALIS_AVX2_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define ORVALIS_AVX2_END _Pragma("GCC pop_options")
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

// For tests: false keeps the loops on the baseline instruction set until set back to true.
inline void AllowAvx2(bool allowed)
{
    Avx2Allowed().store(allowed, std::memory_order_relaxed);
}
