#include "imagelib/FCObjImage.h"

#include "imagelib/FCImageCodec.h"
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCParallel.h"
#include "platform/imaging/PlatformBitmap.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

FCObjImage::FCObjImage(const FCObjImage& src) : FCObjGraph()
{
    *this = src;
}

FCObjImage::~FCObjImage()
{
    Destroy();
}

namespace
{
// Calls f(first, last) over the byte ranges of [0, bytes), a block of a megabyte at a time,
// shared out over the run's threads when they are free (the copy a preview or an effect makes of
// a large picture, the new image an effect makes), on the calling thread otherwise.
template <class F> void ForBlocksOfBytes(std::size_t bytes, F f)
{
    constexpr std::size_t kBlock = std::size_t(1) << 20;
    ParallelParts((bytes + kBlock - 1) / kBlock, 4,
                  [&](std::size_t begin, std::size_t end)
                  { f(begin * kBlock, std::min(bytes, end * kBlock)); },
                  runner_detail::kIfHelpersFree);
}
} // namespace

bool FCObjImage::Create(int w, int h, int depth)
{
    bool zeroed = false;
    if (!Allocate(w, h, depth, &zeroed)) return false;
    if (!zeroed)
    {
        BYTE* const to = bits;
        ForBlocksOfBytes(std::size_t(RowPitch()) * std::size_t(height),
                         [to](std::size_t first, std::size_t last)
                         { std::memset(to + first, 0, last - first); });
    }
    return true;
}

bool FCObjImage::CreateUncleared(int w, int h, int depth)
{
    bool zeroed = false;
    if (!Allocate(w, h, depth, &zeroed)) return false;
    if (zeroed) TouchPages();
    return true;
}

void FCObjImage::TouchPages()
{
    constexpr std::size_t kPage = 4096;
    BYTE* const to = bits;
    if (!to) return;
    ForBlocksOfBytes(std::size_t(RowPitch()) * std::size_t(height),
                     [to](std::size_t first, std::size_t last)
                     {
                         for (std::size_t at = first; at < last; at += kPage)
                             __atomic_fetch_or(to + at, BYTE(0), __ATOMIC_RELAXED);
                     });
}

bool FCObjImage::Allocate(int w, int h, int depth, bool* zeroed)
{
    Destroy();
    if (w < 1 || h < 1 || (depth != 8 && depth != 24 && depth != 32)) return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(depth);
    info.bmiHeader.biCompression = BI_RGB;

    BYTE* newBits = nullptr;
    HBITMAP newBitmap = CreateDIBSectionUncleared(&info, &newBits, zeroed); // size checked in 64 bits
    if (!newBitmap || !newBits) return false;

    BYTE** newRows = new (std::nothrow) BYTE*[std::size_t(h)];
    RGBQUAD* newPalette = nullptr;
    if (depth == 8) newPalette = new (std::nothrow) RGBQUAD[256];
    if (!newRows || (depth == 8 && !newPalette))
    {
        delete[] newRows;
        delete[] newPalette;
        DeleteObject(newBitmap);
        return false;
    }

    width = w;
    height = h;
    bpp = depth;
    bits = newBits;
    bitmap = newBitmap;
    rows = newRows;
    const std::size_t pitch = std::size_t(RowPitch());
    // Bottom-up: the top row is the last one in memory.
    rows[0] = bits + std::size_t(h - 1) * pitch;
    for (int y = 1; y < h; ++y)
        rows[y] = rows[y - 1] - pitch;

    if (depth == 8)
    {
        palette = newPalette;
        RGBQUAD ramp[256];
        for (int i = 0; i < 256; ++i)
            ramp[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 255};
        SetPalette(ramp);
    }
    return true;
}

void FCObjImage::Destroy()
{
    delete[] rows;
    if (bitmap) DeleteObject(bitmap);
    delete[] palette;
    width = height = bpp = 0;
    bits = nullptr;
    rows = nullptr;
    palette = nullptr;
    bitmap = nullptr;
}

FCObjImage& FCObjImage::operator=(const FCObjImage& src)
{
    if (&src == this) return *this;
    Destroy();
    if (!src.bits) return *this;
    // Every byte is copied over, padding included: the memory is not cleared first.
    bool zeroed = false;
    if (!Allocate(src.width, src.height, src.bpp, &zeroed)) return *this;
    BYTE* const to = bits;
    const BYTE* const from = src.bits;
    ForBlocksOfBytes(std::size_t(RowPitch()) * std::size_t(height),
                     [to, from](std::size_t first, std::size_t last)
                     { std::memcpy(to + first, from + first, last - first); });
    if (bpp == 8) SetPalette(src.palette);
    m_graphData = src.m_graphData;
    return *this;
}

void FCObjImage::Swap(FCObjImage& other)
{
    std::swap(width, other.width);
    std::swap(height, other.height);
    std::swap(bpp, other.bpp);
    std::swap(bits, other.bits);
    std::swap(rows, other.rows);
    std::swap(palette, other.palette);
    std::swap(bitmap, other.bitmap);
}

void FCObjImage::GetPalette(RGBQUAD out[256]) const
{
    if (bits && bpp == 8 && out && palette) std::memcpy(out, palette, 256 * sizeof(RGBQUAD));
}

void FCObjImage::SetPalette(const RGBQUAD in[256])
{
    if (!bits || bpp != 8 || !in || !palette) return;
    if (in != palette) std::memmove(palette, in, 256 * sizeof(RGBQUAD));
    SetDIBColorTable(bitmap, 0, 256, palette);
}

void FCObjImage::ConvertBitDepth(int newBpp)
{
    if (!bits || bpp == newBpp) return;
    if (newBpp != 24 && newBpp != 32) return;
    FCObjImage converted;
    if (!converted.Create(width, height, newBpp)) return; // the picture stays as it was
    const int dstStep = newBpp / 8;
    for (int y = 0; y < height; ++y)
    {
        const BYTE* s = rows[y];
        BYTE* d = converted.rows[y];
        if (bpp == 8)
        {
            for (int x = 0; x < width; ++x, ++s, d += dstStep)
            {
                const RGBQUAD& c = palette[*s];
                d[0] = c.rgbBlue;
                d[1] = c.rgbGreen;
                d[2] = c.rgbRed;
                if (dstStep == 4) d[3] = 255;
            }
        }
        else
        {
            const int srcStep = bpp / 8;
            for (int x = 0; x < width; ++x, s += srcStep, d += dstStep)
            {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                if (dstStep == 4) d[3] = 255;
            }
        }
    }
    Swap(converted);
}

bool FCObjImage::CopyRegionTo(FCObjImage& dest, const RECT& r) const
{
    if (!bits || &dest == this) return false;
    if (r.left < 0 || r.top < 0 || r.right > width || r.bottom > height) return false;
    if (!dest.Create(r.right - r.left, r.bottom - r.top, bpp)) return false;
    const std::size_t rowBytes = std::size_t(bpp) * std::size_t(dest.width) / 8;
    for (int y = 0; y < dest.height; ++y)
        std::memcpy(dest.rows[y], PixelAddress(r.left, r.top + y), rowBytes);
    if (bpp == 8) dest.SetPalette(palette);
    return true;
}

bool FCObjImage::PasteImageAt(const FCObjImage& src, int x, int y)
{
    if (!bits || !src.bits || bpp != src.bpp) return false;
    // The source rectangle is computed in 64 bits so that far-off origins cannot wrap.
    const std::int64_t sl = x, st = y, sr = std::int64_t(x) + src.width, sb = std::int64_t(y) + src.height;
    const std::int64_t l = std::max<std::int64_t>(sl, 0), t = std::max<std::int64_t>(st, 0);
    const std::int64_t r = std::min<std::int64_t>(sr, width), b = std::min<std::int64_t>(sb, height);
    if (l >= r || t >= b) return false;
    const std::size_t rowBytes = std::size_t(r - l) * std::size_t(bpp) / 8;
    for (std::int64_t row = t; row < b; ++row)
        std::memcpy(PixelAddress(int(l), int(row)), src.PixelAddress(int(l - x), int(row - y)), rowBytes);
    return true;
}

bool FCObjImage::FromBitmapHandle(HBITMAP hbitmap)
{
    Destroy();
    DIBSECTION ds{};
    if (!GetDIBSection(hbitmap, &ds) || !ds.bmBits) return false;
    const int srcBpp = ds.dsBmih.biBitCount;
    if (srcBpp == 32 && ds.dsBmih.biCompression == BI_RGB)
    {
        if (!Create(ds.bmWidth, ds.bmHeight, 32)) return false;
        std::memcpy(bits, ds.bmBits, std::size_t(RowPitch()) * std::size_t(height));
        return HasBits();
    }
    if (!Create(ds.bmWidth, ds.bmHeight, 24)) return false;

    RGBQUAD table[256] = {};
    if (srcBpp <= 8) GetDIBColorTable(hbitmap, 0, 256, table);
    const std::size_t srcPitch = std::size_t(ds.bmWidthBytes);
    const std::size_t dstPitch = std::size_t(RowPitch());
    // Both blocks are bottom-up with the same height, so memory row r matches memory row r.
    for (int r = 0; r < height; ++r)
    {
        const BYTE* src = ds.bmBits + srcPitch * std::size_t(r);
        BYTE* dst = bits + dstPitch * std::size_t(r);
        for (int x = 0; x < width; ++x, dst += 3)
        {
            switch (srcBpp)
            {
            case 1:
            case 4:
            case 8:
            {
                const int perByte = 8 / srcBpp;
                const int shift = (perByte - 1 - x % perByte) * srcBpp;
                const int index = (src[x / perByte] >> shift) & ((1 << srcBpp) - 1);
                dst[0] = table[index].rgbBlue;
                dst[1] = table[index].rgbGreen;
                dst[2] = table[index].rgbRed;
                break;
            }
            case 16:
            {
                const unsigned v = unsigned(src[2 * x]) | unsigned(src[2 * x + 1]) << 8;
                const unsigned b5 = v & 31, g5 = (v >> 5) & 31, r5 = (v >> 10) & 31;
                dst[0] = BYTE(b5 << 3 | b5 >> 2);
                dst[1] = BYTE(g5 << 3 | g5 >> 2);
                dst[2] = BYTE(r5 << 3 | r5 >> 2);
                break;
            }
            case 24:
                dst[0] = src[3 * x];
                dst[1] = src[3 * x + 1];
                dst[2] = src[3 * x + 2];
                break;
            default: // 32 bits with masks: the first three bytes as they are
                dst[0] = src[4 * x];
                dst[1] = src[4 * x + 1];
                dst[2] = src[4 * x + 2];
                break;
            }
        }
    }
    return HasBits();
}

int FCObjImage::GdiplusBitmapDepth(const imaging::PlatformBitmap& bitmap)
{
    using namespace imaging;
    const PixelFormat source = bitmap.GetPixelFormat();
    if ((bitmap.GetFlags() & ImageFlagsHasAlpha) || source == PixelFormat32bppARGB) return 32;
    if (bitmap.GetRawFormat() == ImageFormatBMP && source == PixelFormat32bppRGB) return 32;
    return 24;
}

bool FCObjImage::FromGdiplusBitmap(imaging::PlatformBitmap& bitmap)
{
    using namespace imaging;
    Destroy();
    const UINT w = bitmap.GetWidth(), h = bitmap.GetHeight();
    if (w == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
    const int depth = GdiplusBitmapDepth(bitmap);
    const bool withAlpha =
        (bitmap.GetFlags() & ImageFlagsHasAlpha) || bitmap.GetPixelFormat() == PixelFormat32bppARGB;
    PixelFormat format = PixelFormat24bppRGB;
    if (depth == 32) format = withAlpha ? PixelFormat32bppARGB : PixelFormat32bppRGB;
    if (!Create(int(w), int(h), depth)) return false;
    // The whole frame in one call when every row can be read (rows are evenly spaced, from the
    // top, whatever their order in memory); a tall picture would otherwise cost a call a row.
    if (height > 1)
    {
        Rect all;
        all.Width = width;
        all.Height = height;
        BitmapData data;
        data.Width = UINT(width);
        data.Height = UINT(height);
        data.Stride = INT64(rows[1] - rows[0]);
        data.Format = format;
        data.Scan0 = rows[0];
        if (bitmap.LockBits(all, ImageLockModeRead | ImageLockModeUserInputBuf, format, &data) == Ok)
        {
            bitmap.UnlockBits(&data);
            return true;
        }
    }
    for (int y = 0; y < height; ++y)
    {
        Rect rect;
        rect.Y = y;
        rect.Width = width;
        rect.Height = 1;
        BitmapData data;
        data.Width = UINT(width);
        data.Height = 1;
        data.Stride = RowPitch();
        data.Format = format;
        data.Scan0 = rows[y];
        if (bitmap.LockBits(rect, ImageLockModeRead | ImageLockModeUserInputBuf, format, &data) != Ok)
            break; // a frame whose rows stop early keeps those it has
        bitmap.UnlockBits(&data);
    }
    return HasBits();
}

bool FCObjImage::Load(const wchar_t* fileName, FCImageProperty* prop)
{
    FCImageProperty fresh;
    FCImageProperty* target = &fresh;
    if (prop)
    {
        *prop = fresh;
        target = prop;
    }
    FCImageCodecFactory* factory = GetCodecFactory();
    if (!factory) return false;
    const int type = factory->QueryImageFileType(fileName);
    std::unique_ptr<FCImageCodec> codec(factory->CreateImageCodec(type));
    if (!codec) return false;
    std::vector<FCObjImage*> frames;
    const bool result = codec->LoadImageFile(fileName, frames, target);
    codec.reset();
    if (!frames.empty() && frames[0]) Swap(*frames[0]);
    for (FCObjImage* frame : frames)
        delete frame;
    return result;
}

bool FCObjImage::Save(const wchar_t* fileName, const FCImageProperty& prop) const
{
    if (!bits) return false;
    FCImageCodecFactory* factory = GetCodecFactory();
    if (!factory) return false;
    const int type = factory->QueryImageFileType(fileName);
    std::unique_ptr<FCImageCodec> codec(factory->CreateImageCodec(type));
    if (!codec) return false;
    std::vector<const FCObjImage*> frames{this};
    return codec->SaveImageFile(fileName, frames, prop);
}
