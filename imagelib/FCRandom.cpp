#include "imagelib/FCRandom.h"

namespace
{
thread_local std::uint32_t t_state = 1;
}

int FCRandom()
{
    t_state = t_state * 214013u + 2531011u;
    return int((t_state >> 16) & 0x7FFF);
}

std::uint32_t FCRandomGetState()
{
    return t_state;
}

void FCRandomSetState(std::uint32_t state)
{
    t_state = state;
}
