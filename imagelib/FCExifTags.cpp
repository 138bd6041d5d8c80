#include "imagelib/FCExifTags.h"

#include "imagelib/FCImageProperty.h"
#include "platform/TextConv.h"
#include "platform/imaging/PlatformBitmap.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace
{
struct TagName
{
    unsigned tag;
    const wchar_t* name;
};

// Sorted by id; the odd spellings are the names callers match on and stay as they are.
const TagName kTagNames[] = {
    {254, L"NewSubfileType"},
    {255, L"SubfileType"},
    {256, L"ImageWidth"},
    {257, L"ImageHeight"},
    {258, L"BitsPerSample"},
    {259, L"Compression"},
    {262, L"PhotometricInterp"},
    {263, L"ThreshHolding"},
    {264, L"CellWidth"},
    {265, L"CellHeight"},
    {266, L"FillOrder"},
    {269, L"DocumentName"},
    {270, L"ImageDescription"},
    {271, L"EquipMake"},
    {272, L"EquipModel"},
    {273, L"StripOffsets"},
    {274, L"Orientation"},
    {277, L"SamplesPerPixel"},
    {278, L"RowsPerStrip"},
    {279, L"StripBytesCount"},
    {280, L"MinSampleValue"},
    {281, L"MaxSampleValue"},
    {282, L"XResolution"},
    {283, L"YResolution"},
    {284, L"PlanarConfig"},
    {285, L"PageName"},
    {286, L"XPosition"},
    {287, L"YPosition"},
    {288, L"FreeOffset"},
    {289, L"FreeByteCount"},
    {290, L"GrayResponseUnit"},
    {291, L"GrayResponseCurve"},
    {292, L"T4Optio"},
    {293, L"T6Option"},
    {296, L"ResolutionUnit"},
    {297, L"PageNumber"},
    {301, L"TransferFuncition"},
    {305, L"SoftwareUsed"},
    {306, L"DateTime"},
    {315, L"Artist"},
    {316, L"HostComputer"},
    {317, L"Predictor"},
    {318, L"WhitePoint"},
    {319, L"PrimaryChromaticities"},
    {320, L"ColorMap"},
    {321, L"HalftoneHints"},
    {322, L"TileWidth"},
    {323, L"TileLength"},
    {324, L"TileOffset"},
    {325, L"TileByteCounts"},
    {332, L"InkSet"},
    {333, L"InkNames"},
    {334, L"NumberOfInks"},
    {336, L"DotRange"},
    {337, L"TargetPrinter"},
    {338, L"ExtraSamples"},
    {339, L"SampleForma"},
    {340, L"SMinSampleValue"},
    {341, L"SMaxSampleValue"},
    {342, L"TransferRange"},
    {512, L"JPEGProc"},
    {513, L"JPEGInterFormat"},
    {514, L"JPEGInterLength"},
    {515, L"JPEGRestartInterval"},
    {517, L"JPEGLosslessPredictors"},
    {518, L"JPEGPointTransforms"},
    {519, L"JPEGQTables"},
    {520, L"JPEGDCTables"},
    {521, L"JPEGACTables"},
    {529, L"YCbCrCoefficients"},
    {530, L"TagYCbCrSubsampling"},
    {531, L"YCbCrPositioning"},
    {532, L"REFBlackWhite"},
    {769, L"Gamma"},
    {770, L"ICCProfileDescriptor"},
    {771, L"SRGBRenderingIntent"},
    {20624, L"LuminanceTable"},
    {20625, L"ChrominanceTable"},
    {20736, L"FrameDelay"},
    {20737, L"LoopCount"},
    {20752, L"PixelUnit"},
    {20753, L"PixelPerUnitX"},
    {20754, L"PixelPerUnitY"},
    {20755, L"PaletteHistogram"},
    {33434, L"ExifExposureTime"},
    {33437, L"ExifFNumber"},
    {34675, L"ICCProfile"},
    {34850, L"ExifExposureProg"},
    {34852, L"ExifSpectralSens"},
    {34855, L"ExifISOSpeed"},
    {34856, L"ExifOECF"},
    {36864, L"ExifVer"},
    {36867, L"ExifDTOrig"},
    {36868, L"ExifDTDigitized"},
    {37121, L"ExifCompConfig"},
    {37122, L"ExifCompBP"},
    {37377, L"ExifShutterSpeed"},
    {37378, L"ExifAperture"},
    {37379, L"ExifBrightness"},
    {37380, L"ExifExposureBias"},
    {37381, L"ExifMaxAperture"},
    {37382, L"ExifSubjectDist"},
    {37383, L"ExifMeteringMode"},
    {37384, L"ExifLightSource"},
    {37385, L"ExifFlash"},
    {37386, L"ExifFocalLength"},
    {40960, L"ExifFPXVer"},
    {40961, L"ExifColorSpace"},
    {40962, L"ExifPixXDim"},
    {40963, L"ExifPixYDim"},
    {40964, L"ExifRelatedWav"},
    {40965, L"ExifInterop"},
    {41483, L"ExifFlashEnergy"},
    {41484, L"ExifSpatialFR"},
    {41486, L"FocalXRes"},
    {41487, L"ExifFocalYRes"},
    {41488, L"ExifFocalResUnit"},
    {41492, L"ExifSubjectLoc"},
    {41493, L"ExifExposureIndex"},
    {41495, L"ExifSensingMethod"},
    {41728, L"ExifFileSource"},
    {41729, L"ExifSceneType"},
    {41730, L"ExifCfaPattern"},
};
static_assert(std::size(kTagNames) == 123);

const wchar_t* const kOrientations[] = {
    L"Horizontal",
    L"Horizontal Flip X",
    L"Horizontal Rot 180\u00b0",
    L"Horizontal Rot 180\u00b0 Flip X",
    L"Vertical Rot 90\u00b0 Flix X",
    L"Vertical Rot 270\u00b0",
    L"Vertical Rot 270\u00b0 Flip X",
    L"Vertical Rot 90\u00b0",
};

// Item values are little-endian whatever file they came from.
std::uint32_t U32(const BYTE* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::int32_t S32(const BYTE* p)
{
    return std::int32_t(U32(p));
}

unsigned U16(const BYTE* p)
{
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}

std::wstring Ascii(std::string_view s)
{
    return std::wstring(s.begin(), s.end());
}

std::wstring Int(std::int64_t v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return Ascii(std::string_view(buf, std::size_t(r.ptr - buf)));
}

// Fixed notation with the given number of decimals and a '.' whatever the locale.
std::wstring Fixed(double v, int decimals)
{
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return {};
    return Ascii(std::string_view(buf, std::size_t(r.ptr - buf)));
}

std::wstring Array(std::int64_t count, std::int64_t first)
{
    return L"Array(" + Int(count) + L") " + Int(first) + L" ...";
}

bool IsRational(const PropertyItem& item)
{
    return (item.type == kPropertyTypeRational || item.type == kPropertyTypeSRational) && item.length >= 8;
}

bool IsShort(const PropertyItem& item)
{
    return (item.type == 3 || item.type == 8) && item.length >= 2;
}

// The numerator and denominator as a double, signed or not by the item's type.
double RationalValue(const PropertyItem& item, const BYTE* v)
{
    if (item.type == kPropertyTypeSRational) return double(S32(v)) / double(S32(v + 4));
    return double(U32(v)) / double(U32(v + 4));
}

std::wstring Generic(const PropertyItem& item, const BYTE* v)
{
    const std::uint32_t length = item.length;
    switch (item.type)
    {
    case 1: // BYTE
        if (length == 0) return {};
        return length == 1 ? Int(v[0]) : Array(length, v[0]);
    case 2: // ASCII
        return Bytes8ToWide(std::string_view(reinterpret_cast<const char*>(v), length));
    case 3: // SHORT
        if (length < 2) return {};
        return length == 2 ? Int(U16(v)) : Array(length / 2, U16(v));
    case 4: // LONG
    case 9: // SLONG
        if (length < 4) return {};
        return length == 4 ? Int(S32(v)) : Array(length / 4, S32(v));
    case 5:  // RATIONAL
    case 10: // SRATIONAL
        if (length < 8) return {};
        return Int(S32(v)) + L"/" + Int(S32(v + 4));
    case 7: // UNDEFINED
        return L"Undefined(" + Int(length) + L")";
    default:
        return {};
    }
}
} // namespace

std::wstring PropertyTagName(unsigned tag)
{
    std::size_t lo = 0, hi = std::size(kTagNames);
    while (lo < hi)
    {
        const std::size_t mid = (lo + hi) / 2;
        if (kTagNames[mid].tag < tag)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < std::size(kTagNames) && kTagNames[lo].tag == tag) return kTagNames[lo].name;
    return {};
}

std::wstring FormatPropertyValue(const PropertyItem& item)
{
    const BYTE* v = static_cast<const BYTE*>(item.value);
    if (!v) return {};
    switch (item.id)
    {
    case 33434: // exposure time
        if (IsRational(item))
        {
            std::int32_t n = S32(v), d = S32(v + 4);
            if (d == 0) return {};
            if (n > 1 && d >= 11 && d > n)
            {
                d = d / n;
                n = 1;
            }
            return Int(n) + L"/" + Int(d) + L" s";
        }
        break;
    case 33437: // F-number
        if (IsRational(item))
        {
            if (U32(v + 4) == 0) return {};
            return L"F/" + Fixed(RationalValue(item, v), 1);
        }
        break;
    case 34855: // ISO speed
        if (IsShort(item)) return L"ISO " + Int(U16(v));
        break;
    case 37386: // focal length
        if (IsRational(item))
        {
            if (U32(v + 4) == 0) return {};
            const double f = RationalValue(item, v);
            return Fixed(f, f < 10 ? 2 : (f < 100 ? 1 : 0)) + L" mm";
        }
        break;
    case 274: // orientation
        if (IsShort(item))
        {
            const unsigned o = U16(v);
            return o >= 1 && o <= 8 ? kOrientations[o - 1] : L"";
        }
        break;
    case 282: // X and Y resolution
    case 283:
        if (IsRational(item))
        {
            // 64-bit arithmetic: a zero denominator or INT_MIN / -1 shows as an unknown value.
            const std::int64_t n = S32(v), d = S32(v + 4);
            if (d == 0 || (n == INT32_MIN && d == -1)) return {};
            return Int(n / d) + L" dpi";
        }
        break;
    case 296: // resolution unit
        if (IsShort(item))
        {
            const unsigned u = U16(v);
            return u == 2 ? L"inch" : (u == 3 ? L"cm" : L"");
        }
        break;
    default:
        break;
    }
    return Generic(item, v);
}

std::wstring GetPropertyText(imaging::PlatformBitmap& image, unsigned tag)
{
    UINT size = 0;
    if (image.GetPropertyItemSize(tag, &size) != imaging::Ok || size == 0) return {};
    std::vector<PropertyItem> block((size + sizeof(PropertyItem) - 1) / sizeof(PropertyItem));
    if (image.GetPropertyItem(tag, size, block.data()) != imaging::Ok) return {};
    return FormatPropertyValue(block[0]);
}

std::wstring PropertyTypeName(unsigned type)
{
    switch (type)
    {
    case 1:
        return L"Byte";
    case 2:
        return L"ASCII";
    case 3:
        return L"Short";
    case 4:
        return L"Long";
    case 5:
        return L"Rational";
    case 7:
        return L"Undefined";
    case 9:
        return L"SLONG";
    case 10:
        return L"SRational";
    default:
        return L"Unknown";
    }
}

std::wstring GdiplusStatusName(int status)
{
    static const wchar_t* const kNames[] = {
        L"Ok",
        L"GenericError",
        L"InvalidParameter",
        L"OutOfMemory",
        L"ObjectBusy",
        L"InsufficientBuffer",
        L"NotImplemented",
        L"Win32Error",
        L"WrongState",
        L"Aborted",
        L"FileNotFound",
        L"ValueOverflow",
        L"AccessDenied",
        L"UnknownImageFormat",
        L"FontFamilyNotFound",
        L"FontStyleNotFound",
        L"NotTrueTypeFont",
        L"UnsupportedGdiplusVersion",
        L"GdiplusNotInitialized",
        L"PropertyNotFound",
        L"PropertyNotSupported",
    };
    if (status < 0 || status >= int(std::size(kNames))) return L"Unknown";
    return kNames[status];
}
