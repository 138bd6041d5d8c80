#include "imagelib/FCRandom.h"

FCRandomGenerator& ThreadRandomGenerator()
{
    // The one generator of each thread, like a runtime library's per-thread state: not a cache,
    // nothing in it belongs to any run.
    thread_local FCRandomGenerator generator;
    return generator;
}
