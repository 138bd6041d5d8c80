// The libpng callbacks both PNG writers share: errors end the call through its jump buffer,
// warnings are dropped, and the file goes into a byte vector.
#pragma once

#include <png.h>

namespace imaging::detail
{
[[noreturn]] void PngError(png_structp png, png_const_charp message);
void PngWarning(png_structp png, png_const_charp message);
// The io pointer is a std::vector<BYTE>; a failed allocation is a library error.
void PngWriteToVector(png_structp png, png_bytep data, png_size_t length);
void PngFlushNothing(png_structp png);
} // namespace imaging::detail
