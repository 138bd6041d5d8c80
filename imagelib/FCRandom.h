// The pseudo-random generator random effects draw from: values 0..32767, never seeded by the
// program, so that every fresh generator gives the same sequence (41, 18467, 6334...).
//
// Every thread has one generator of its own, as a runtime library's would be. A run of an effect
// hands each band of rows a generator (see FCBandRunner.h): the calling thread's band draws from
// the calling thread's generator, every other band from a fresh one, as a thread started for it
// would have.
#pragma once

#include <cstdint>

class FCRandomGenerator
{
public:
    FCRandomGenerator() = default;
    explicit FCRandomGenerator(std::uint32_t state) : m_state(state) {}

    int Next()
    {
        m_state = m_state * 214013u + 2531011u;
        return int((m_state >> 16) & 0x7FFF);
    }
    std::uint32_t State() const { return m_state; }
    void SetState(std::uint32_t state) { m_state = state; }

private:
    std::uint32_t m_state = 1;
};

// The calling thread's generator.
FCRandomGenerator& ThreadRandomGenerator();

// The next value of the calling thread's generator.
inline int FCRandom()
{
    return ThreadRandomGenerator().Next();
}

// For tests: the calling thread's state, and a way to set it.
inline std::uint32_t FCRandomGetState()
{
    return ThreadRandomGenerator().State();
}
inline void FCRandomSetState(std::uint32_t state)
{
    ThreadRandomGenerator().SetState(state);
}
