// Foreign bytes through the FreeImage codec's memory load: frames must come out whole or not at
// all, and nothing may read or write outside its buffers.
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/codecs/FCImageCodec_FreeImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (1u << 20)) return 0;
    FCImageCodec_FreeImage codec;
    std::vector<FCObjImage*> frames;
    FCImageProperty prop;
    const bool ok = codec.LoadImageMemory(data, int(size), frames, &prop);
    if (ok != !frames.empty()) std::abort();
    for (FCObjImage* f : frames)
    {
        if (!f->HasBits() || (f->ColorBits() != 24 && f->ColorBits() != 32)) std::abort();
        // Touch the first and last byte of the pixel memory.
        volatile BYTE a = f->RowAddress(0)[0];
        volatile BYTE b = f->RowAddress(f->Height() - 1)[f->RowPitch() - 1];
        (void)a, (void)b;
        delete f;
    }
    return 0;
}
