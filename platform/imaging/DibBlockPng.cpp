#include "platform/imaging/DibBlockPng.h"

#include "platform/imaging/PngMemoryIo.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace
{
using imaging::detail::PngError;
using imaging::detail::PngFlushNothing;
using imaging::detail::PngWarning;
using imaging::detail::PngWriteToVector;

struct WriteState
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteState() { png_destroy_write_struct(&png, &info); }
};

// The part that may jump back: nothing with a destructor lives in it.
bool Write(WriteState& st, const BYTE* rows, std::size_t pitch, int width, int height, int bytesPerPixel,
           BYTE* line, std::vector<BYTE>& out, const std::atomic<bool>* cancel)
{
    if (setjmp(png_jmpbuf(st.png))) return false;
    png_set_write_fn(st.png, &out, PngWriteToVector, PngFlushNothing);
    // Level 1 with the cheap "sub" filter: most of the size gain of the default settings on
    // photographs, for a small part of their time.
    png_set_compression_level(st.png, 1);
    png_set_filter(st.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(st.png, st.info, png_uint_32(width), png_uint_32(height), 8,
                 bytesPerPixel == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(st.png, st.info);
    for (int y = 0; y < height; ++y)
    {
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
        // The block is bottom-up and blue first.
        const BYTE* src = rows + pitch * std::size_t(height - 1 - y);
        for (int x = 0; x < width; ++x, src += bytesPerPixel)
        {
            BYTE* d = line + std::size_t(x) * std::size_t(bytesPerPixel);
            d[0] = src[2];
            d[1] = src[1];
            d[2] = src[0];
            if (bytesPerPixel == 4) d[3] = src[3];
        }
        png_write_row(st.png, line);
    }
    png_write_end(st.png, st.info);
    return true;
}
} // namespace

bool EncodeDibBlockAsPng(const BYTE* block, std::size_t size, std::vector<BYTE>& out,
                         const std::atomic<bool>* cancel)
{
    out.clear();
    BITMAPINFOHEADER h;
    if (!block || size < sizeof h) return false;
    std::memcpy(&h, block, sizeof h);
    if (h.biSize != sizeof h || h.biWidth < 1 || h.biHeight < 1 || h.biPlanes != 1 ||
        (h.biBitCount != 24 && h.biBitCount != 32) || h.biCompression != 0 || h.biClrUsed != 0)
        return false;
    const int bytesPerPixel = h.biBitCount / 8;
    const std::size_t pitch = (std::size_t(h.biWidth) * h.biBitCount + 31) / 32 * 4;
    if (pitch != 0 && std::size_t(h.biHeight) > (size - sizeof h) / pitch) return false;

    std::vector<BYTE> line(std::size_t(h.biWidth) * std::size_t(bytesPerPixel));
    WriteState st;
    st.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!st.png) return false;
    st.info = png_create_info_struct(st.png);
    if (!st.info) return false;
    if (!Write(st, block + sizeof h, pitch, int(h.biWidth), int(h.biHeight), bytesPerPixel, line.data(), out,
               cancel))
    {
        out.clear();
        return false;
    }
    return true;
}
