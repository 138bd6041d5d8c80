// Foreign bytes through the platform codec's memory load (the format is found from the content,
// so one target reaches the BMP, JPEG, GIF, PNG, TIFF and ICO readers and the EXIF reader):
// frames come out whole or not at all, metadata items stay within their bytes, and nothing
// reads or writes outside its buffers.
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/codecs/FCImageCodec_Gdiplus.h"
#include "platform/imaging/PlatformBitmap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Small pictures only: a header may claim any size, and the fuzzer's memory is limited.
    imaging::SetMaxDecodedBytes(std::uint64_t(16) << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (1u << 20)) return 0;
    FCImageCodec_Gdiplus codec;
    std::vector<FCObjImage*> frames;
    FCImageProperty prop;
    const bool ok = codec.LoadImageMemory(data, int(size), frames, &prop);
    if (ok != !frames.empty()) std::abort();
    for (FCObjImage* f : frames)
    {
        if (!f->HasBits() || (f->ColorBits() != 24 && f->ColorBits() != 32)) std::abort();
        volatile BYTE a = f->RowAddress(0)[0];
        volatile BYTE b = f->RowAddress(f->Height() - 1)[f->RowPitch() - 1];
        (void)a, (void)b;
        delete f;
    }
    for (const std::string& packed : prop.rawItems)
    {
        PropertyItem item;
        if (!UnpackPropertyItem(packed, item)) std::abort();
    }
    return 0;
}
