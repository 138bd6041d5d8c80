// Large work arrays (planes, spectra) of whole images. Fresh memory is faulted in page by page when
// first written, which for a 6000 x 4000 plane costs far more than the work done on it; asking for
// huge pages over the array cuts the faults to a few hundred. Nothing else changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include <sys/mman.h>

// Asks for huge pages over the 2 MB-aligned part of [block, block + bytes); small blocks are left
// alone. Only advice: no failure to report.
inline void AdviseHugePages(void* block, std::size_t bytes)
{
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    if (!block || bytes < 2 * kHuge) return;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t lo = (start + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t hi = (start + bytes) & ~(kHuge - 1);
    if (hi > lo) madvise(reinterpret_cast<void*>(lo), hi - lo, MADV_HUGEPAGE);
}

// count floats, not cleared; null when they cannot be had.
inline std::unique_ptr<float[]> NewLargeFloats(std::size_t count)
{
    std::unique_ptr<float[]> p(new (std::nothrow) float[count]);
    if (p) AdviseHugePages(p.get(), count * sizeof(float));
    return p;
}
