#include "platform/imaging/PngMemoryIo.h"

#include "platform/WinTypes.h"

#include <vector>

namespace imaging::detail
{
void PngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngWriteToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<BYTE>*>(png_get_io_ptr(png));
    // No exception may cross the library.
    bool stored = true;
    try
    {
        out->insert(out->end(), data, data + length);
    }
    catch (...)
    {
        stored = false;
    }
    if (!stored) png_error(png, "out of memory");
}

void PngFlushNothing(png_structp) {}
} // namespace imaging::detail
