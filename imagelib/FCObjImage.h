// The in-memory raster image of the whole program: 8, 24 or 32 bits per pixel in a bottom-up
// bitmap section, with a table of row addresses counted from the top, so that pixel (x, y) has
// y = 0 at the top whatever the order of rows in memory. Copies are deep.
#pragma once

#include "platform/BitmapSection.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

class FCImageEffect;
class FCProgressObserver;
class FCImageProperty;
class FCImageCodecFactory;
namespace imaging
{
class PlatformBitmap;
}

class FCObjGraph
{
public:
    FCObjGraph() = default;
    FCObjGraph(const FCObjGraph&) = delete;
    FCObjGraph& operator=(const FCObjGraph&) = delete;
    virtual ~FCObjGraph() = default;

    // Zero after construction and carried over by image assignment; nothing reads it.
    std::int64_t m_graphData = 0;
};

class FCObjImage : public FCObjGraph
{
public:
    FCObjImage() = default;
    FCObjImage(const FCObjImage& src);
    FCObjImage& operator=(const FCObjImage& src);
    ~FCObjImage() override;

    // Creates a zero-filled image; false (image empty) for width or height below 1, a depth
    // other than 8, 24 or 32, or a size that cannot be had. 8-bit images get the grey ramp.
    bool Create(int width, int height, int bpp);
    // Create for a caller that writes every byte of every row itself, the padding at the rows'
    // ends included, before the image is read or handed on: the pixel memory is not cleared (it
    // holds zeros, or what a picture freed lately left there). Memory new to the process has its
    // pages touched at once (TouchPages).
    bool CreateUncleared(int width, int height, int bpp);
    // Writes one byte of each page of the pixels as it is, over the run's free threads: the
    // system's filling of memory new to the process is shared out, rather than left to whichever
    // thread writes a page first while the others wait on it. The bytes stay as they are.
    void TouchPages();
    void Destroy();
    // Exchanges everything but the FCObjGraph field, in constant time.
    void Swap(FCObjImage& other);

    int Width() const { return width; }
    int Height() const { return height; }
    int ColorBits() const { return bpp; }
    bool HasBits() const { return bits != nullptr; }
    BYTE* GetBits() const { return bits; }
    // rows[y] is the first byte of row y counted from the top.
    BYTE* const* Rows() const { return rows; }
    BYTE* RowAddress(int y) const { return rows[y]; }
    // From a row to the one below it (0 for a picture of one row).
    std::ptrdiff_t RowStride() const { return height > 1 ? rows[1] - rows[0] : 0; }
    HBITMAP GetBitmap() const { return bitmap; }
    // The palette array of an 8-bit image, else null.
    const RGBQUAD* PaletteEntries() const { return palette; }

    // No bounds check: the caller keeps 0 <= x < width and 0 <= y < height.
    BYTE* PixelAddress(int x, int y) const { return rows[y] + x * (bpp == 32 ? 4 : (bpp == 8 ? 1 : 3)); }
    // In 64 bits: bpp x width alone can pass 2^31 for a row that still fits.
    int RowPitch() const { return int(((std::int64_t(bpp) * width + 31) / 32) * 4); }
    bool IsInside(int x, int y) const { return x >= 0 && x < width && y >= 0 && y < height; }

    void GetPalette(RGBQUAD out[256]) const;
    void SetPalette(const RGBQUAD in[256]);

    // Converts to 24 or 32 bits (alpha 255); nothing when the image has no bits or already has
    // that depth. When the new image cannot be had the picture is kept as it was.
    void ConvertBitDepth(int newBpp);
    // Copies the half-open rectangle r into dest.
    bool CopyRegionTo(FCObjImage& dest, const RECT& r) const;
    // Copies src with its top-left corner at (x, y), clipped to this image; same depth only.
    bool PasteImageAt(const FCObjImage& src, int x, int y);

    // A copy of a bitmap section: a 32-bit section is copied byte for byte (alpha kept), any
    // other depth is converted to a 24-bit image (through its colour table, 16 bits as 5-5-5).
    bool FromBitmapHandle(HBITMAP hbitmap);

    // The active frame of a platform bitmap: 32 bits with alpha when the frame has alpha, 32 bits
    // with the stored fourth byte for a 32-bit BMP, else 24 bits. Rows are copied from the top
    // until one cannot be read. False (image empty) for a frame of width 0.
    bool FromGdiplusBitmap(imaging::PlatformBitmap& bitmap);
    // The bits per pixel FromGdiplusBitmap makes of the bitmap's active frame (24 or 32).
    static int GdiplusBitmapDepth(const imaging::PlatformBitmap& bitmap);

    // Files through the process-wide codec factory; Load keeps the first frame only and resets
    // prop (when given) before loading.
    bool Load(const wchar_t* fileName, FCImageProperty* prop = nullptr);
    bool Save(const wchar_t* fileName, const FCImageProperty& prop) const;

    // The single-thread effect driver: accept, prepare, then the whole image, every pixel or
    // every row, with progress after each row and cancel through the observer's flag.
    static void ApplyEffect(FCObjImage& image, FCImageEffect& effect, FCProgressObserver* observer);

    static FCImageCodecFactory* GetCodecFactory();
    // Installs a factory (taking ownership); the previous one is deleted. Null is ignored.
    static void SetCodecFactory(FCImageCodecFactory* factory);

private:
    // Create without the clearing: *zeroed tells whether the new pixels are all zero.
    bool Allocate(int width, int height, int bpp, bool* zeroed);

    int width = 0;
    int height = 0;
    int bpp = 0;
    BYTE* bits = nullptr;
    BYTE** rows = nullptr;
    RGBQUAD* palette = nullptr;
    HBITMAP bitmap = nullptr;
};
