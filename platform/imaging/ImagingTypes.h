// Value types of the platform imaging layer: status codes, pixel formats, lock modes, locked
// pixel blocks, palettes, encoder descriptions and parameters, and the GUIDs that name image
// formats, frame dimensions and encoder parameters.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <cstring>

namespace imaging
{
struct GUID
{
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    friend bool operator==(const GUID& a, const GUID& b)
    {
        return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
               std::memcmp(a.Data4, b.Data4, 8) == 0;
    }
};
using CLSID = GUID;

// Results of every operation, in their fixed numeric order.
enum Status : int
{
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
};

// Pixel formats: bits per pixel in bits 8-15, flags above (indexed 0x10000, alpha 0x40000,
// canonical 0x200000).
using PixelFormat = int;
constexpr PixelFormat PixelFormat1bppIndexed = 0x30101;
constexpr PixelFormat PixelFormat4bppIndexed = 0x30402;
constexpr PixelFormat PixelFormat8bppIndexed = 0x30803;
constexpr PixelFormat PixelFormat16bppRGB555 = 0x21005;
constexpr PixelFormat PixelFormat16bppRGB565 = 0x21006;
constexpr PixelFormat PixelFormat24bppRGB = 0x21808;
constexpr PixelFormat PixelFormat32bppRGB = 0x22009;
constexpr PixelFormat PixelFormat32bppARGB = 0x26200A;
constexpr PixelFormat PixelFormat48bppRGB = 0x10300C;
constexpr PixelFormat PixelFormat64bppARGB = 0x34400D;
constexpr PixelFormat PixelFormat32bppCMYK = 0x200F;

constexpr int GetPixelFormatSize(PixelFormat format)
{
    return (format >> 8) & 0xFF;
}

// Image flags.
constexpr UINT ImageFlagsHasAlpha = 2;

// Lock modes.
constexpr UINT ImageLockModeRead = 1;
constexpr UINT ImageLockModeWrite = 2;
constexpr UINT ImageLockModeUserInputBuf = 4;

struct Rect
{
    INT64 X = 0;
    INT64 Y = 0;
    INT64 Width = 0;
    INT64 Height = 0;
};

// A block of locked pixels. With ImageLockModeUserInputBuf the caller fills Width, Height,
// Stride and Scan0 (its own buffer) before locking.
struct BitmapData
{
    UINT Width = 0;
    UINT Height = 0;
    INT64 Stride = 0;
    PixelFormat Format = 0;
    void* Scan0 = nullptr;
    std::uintptr_t Reserved = 0;
};

using ARGB = std::uint32_t;

// Palette flags.
constexpr UINT PaletteFlagsHasAlpha = 1;
constexpr UINT PaletteFlagsGrayScale = 2;

struct ColorPalette
{
    UINT Flags = 0;
    UINT Count = 0;
    ARGB Entries[256] = {};
};

// Encoder parameter value types.
constexpr UINT EncoderParameterValueTypeLong = 4;

struct EncoderParameter
{
    GUID Guid;
    UINT NumberOfValues = 0;
    UINT Type = 0;
    const void* Value = nullptr;
};

struct EncoderParameters
{
    UINT Count = 0;
    EncoderParameter Parameter[4];
};

struct ImageCodecInfo
{
    CLSID Clsid;
    GUID FormatID;
    const wchar_t* CodecName = nullptr;
    const wchar_t* FormatDescription = nullptr;
    const wchar_t* FilenameExtension = nullptr;
    const wchar_t* MimeType = nullptr;
};

// Raw formats: the file format a bitmap was read from (and the format an encoder writes).
constexpr GUID ImageFormatBMP = {
    0xb96b3cab, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID ImageFormatJPEG = {
    0xb96b3cae, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID ImageFormatPNG = {
    0xb96b3caf, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID ImageFormatGIF = {
    0xb96b3cb0, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID ImageFormatTIFF = {
    0xb96b3cb1, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
constexpr GUID ImageFormatIcon = {
    0xb96b3cb5, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

// Frame dimensions: frames in time (animations), pages (multi-page documents), or a single
// image in any other file.
constexpr GUID FrameDimensionTime = {
    0x4f52564c, 0x0001, 0x4d49, {0x81, 0x4d, 0x6f, 0x72, 0x76, 0x61, 0x6c, 0x01}};
constexpr GUID FrameDimensionPage = {
    0x4f52564c, 0x0002, 0x4d49, {0x81, 0x4d, 0x6f, 0x72, 0x76, 0x61, 0x6c, 0x02}};
constexpr GUID FrameDimensionResolution = {
    0x4f52564c, 0x0003, 0x4d49, {0x81, 0x4d, 0x6f, 0x72, 0x76, 0x61, 0x6c, 0x03}};

// The JPEG quality parameter of the encoders (one LONG, 0..100).
constexpr GUID EncoderQuality = {
    0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

// Item ids the layer produces beyond the EXIF/TIFF tags.
constexpr std::uint32_t PropertyTagGamma = 769;
constexpr std::uint32_t PropertyTagICCProfileDescriptor = 770;
constexpr std::uint32_t PropertyTagSRGBRenderingIntent = 771;
constexpr std::uint32_t PropertyTagImageTitle = 800;
constexpr std::uint32_t PropertyTagLuminanceTable = 0x5090;
constexpr std::uint32_t PropertyTagChrominanceTable = 0x5091;
constexpr std::uint32_t PropertyTagFrameDelay = 0x5100;
constexpr std::uint32_t PropertyTagLoopCount = 0x5101;
constexpr std::uint32_t PropertyTagPixelUnit = 0x5110;
constexpr std::uint32_t PropertyTagPixelPerUnitX = 0x5111;
constexpr std::uint32_t PropertyTagPixelPerUnitY = 0x5112;
constexpr std::uint32_t PropertyTagICCProfile = 34675;
} // namespace imaging
