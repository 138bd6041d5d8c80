// The pseudo-random generator random effects draw from: values 0..32767, one state per thread,
// never seeded by the program, so every new thread starts the same sequence (41, 18467, 6334...).
#pragma once

#include <cstdint>

int FCRandom();

// For tests: the calling thread's state, and a way to set it.
std::uint32_t FCRandomGetState();
void FCRandomSetState(std::uint32_t state);
