// The platform bitmap: images read from files or memory (format found from the content: BMP,
// JPEG, GIF, PNG, TIFF, ICO), their frames, pixel formats, palettes and metadata items; bitmaps
// made from scratch and written through the BMP, JPEG, GIF, TIFF and PNG encoders.
//
// Nothing in a file is trusted: a damaged file gives no bitmap (or, when its pixels stop early,
// a frame whose missing rows cannot be locked), never a read outside the bytes given.
#pragma once

#include "platform/imaging/ImagingTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace imaging
{
namespace detail
{
struct Decoded;
}

// Users bracket their work with Startup and Shutdown; the layer counts them.
Status Startup(std::uintptr_t* token);
void Shutdown(std::uintptr_t token);
int StartupCount();

// The most pixel memory one bitmap may decode into (all its frames together); 2 GiB by
// default. Files that would need more are refused.
void SetMaxDecodedBytes(std::uint64_t bytes);
std::uint64_t MaxDecodedBytes();

// libtiff's process-wide error and warning handlers print to standard error. Our own TIFF code
// installs quiet handlers on each file it opens, but other readers in the process (FreeImage's
// TIFF reader) go through the process-wide ones, and trip them on every file with an EXIF
// directory. Their failures come back as return values, so the messages are dropped.
void QuietProcessWideTiffMessages();

// The encoders: one per writable format.
Status GetImageEncodersSize(UINT* count, UINT* size);
Status GetImageEncoders(UINT count, UINT size, ImageCodecInfo* encoders);

class PlatformBitmap
{
public:
    ~PlatformBitmap();
    PlatformBitmap(const PlatformBitmap&) = delete;
    PlatformBitmap& operator=(const PlatformBitmap&) = delete;

    // A file's content decides its format, whatever its name.
    static Status FromFile(const wchar_t* fileName, std::unique_ptr<PlatformBitmap>& out);
    static Status FromMemory(const void* data, std::size_t size, std::unique_ptr<PlatformBitmap>& out);
    // A zero-filled bitmap of 8bppIndexed (grey palette), 24bppRGB, 32bppRGB or 32bppARGB.
    static Status FromScan0(int width, int height, PixelFormat format, std::unique_ptr<PlatformBitmap>& out);

    // Frames: the dimensions a bitmap has (time for animations, page for multi-page files,
    // resolution for the rest), the number of frames in each, and the active one.
    UINT GetFrameDimensionsCount() const;
    Status GetFrameDimensionsList(GUID* dimensions, UINT count) const;
    UINT GetFrameCount(const GUID& dimension) const;
    Status SelectActiveFrame(const GUID& dimension, UINT index);

    // The active frame.
    UINT GetWidth() const;
    UINT GetHeight() const;
    PixelFormat GetPixelFormat() const;
    UINT GetFlags() const;
    GUID GetRawFormat() const;
    // The memory the decoded frames hold, as counted against MaxDecodedBytes.
    std::uint64_t DecodedBytes() const;
    // Whether something the file announced could not be read (a frame cut short, a page that
    // could not be decoded): what was read is there, the rest is missing.
    bool IsIncomplete() const;
    // Whether the active frame's samples had more than 8 bits in the file (16-bit or
    // floating-point samples, reduced to 8 bits here).
    bool HasDeepSamples() const;

    // Rows of the active frame in 24bppRGB (B, G, R), 32bppRGB (B, G, R and the fourth byte as
    // stored), 32bppARGB (B, G, R, A straight) or, for indexed bitmaps, 8bppIndexed. Reading
    // fails for a rectangle reaching rows that the file did not provide.
    Status LockBits(const Rect& rect, UINT flags, PixelFormat format, BitmapData* data);
    Status UnlockBits(BitmapData* data);

    Status GetPalette(ColorPalette* palette) const;
    Status SetPalette(const ColorPalette* palette);

    // Metadata items of the active frame, values in little-endian order. GetAllPropertyItems
    // fills one block of totalBytes: count items followed by their values.
    Status GetPropertySize(UINT* totalBytes, UINT* count) const;
    Status GetAllPropertyItems(UINT totalBytes, UINT count, PropertyItem* items) const;
    Status GetPropertyItemSize(std::uint32_t id, UINT* size) const;
    Status GetPropertyItem(std::uint32_t id, UINT size, PropertyItem* item) const;
    // An item with the id of an earlier one replaces it.
    Status SetPropertyItem(const PropertyItem& item);

    // Writes the active frame with the encoder and the items set on the bitmap. The file is
    // written under a temporary name and renamed, so that a failure leaves no partial file.
    Status Save(const wchar_t* fileName, const CLSID& encoder, const EncoderParameters* parameters) const;
    Status SaveToMemory(std::vector<BYTE>& out, const CLSID& encoder,
                        const EncoderParameters* parameters) const;

private:
    PlatformBitmap();
    std::unique_ptr<detail::Decoded> m_image;
    UINT m_activeFrame = 0;
    // The block handed out by LockBits when the caller gives no buffer of its own.
    std::vector<BYTE> m_lockBuffer;
    bool m_locked = false;
    Rect m_lockRect;
    UINT m_lockFlags = 0;
};
} // namespace imaging
