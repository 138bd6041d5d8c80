// Included first by the source files of the neighbourhood families: their row loops are written
// to be vectorised, so those files are optimised fully even where the build asks for less.
// Optimising changes no result: the loops use integer arithmetic, or floating point in the order
// written (the build forbids contraction and fast math); without errno, a square root is one
// instruction, and none of ours is of a negative number.
#pragma once

#if defined(__OPTIMIZE__) && defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3", "no-math-errno")
#endif
