// Foreign bytes through the FreeImage codec's memory load, as the program reads files: content
// our own readers know is read by them, anything else by the library in a child process (whose
// crashes and hangs fail the load, never this process). Frames must come out whole or not at
// all, and nothing may read or write outside its buffers.
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/codecs/FCImageCodec_FreeImage.h"
#include "platform/imaging/PlatformBitmap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Small pictures only: a header may claim any size, and the fuzzer's memory is limited.
    imaging::SetMaxDecodedBytes(std::uint64_t(16) << 20);
    // Pictures this small decode in milliseconds; an input on which the library loops (some do)
    // is given up after a second rather than the program's eight, so that fuzzing goes on.
    FCImageCodec_FreeImage::SetDecodeTimeLimitForTesting(1.0);
    return 0;
}

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
