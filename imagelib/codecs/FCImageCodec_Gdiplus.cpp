#include "imagelib/codecs/FCImageCodec_Gdiplus.h"

#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/FCParallel.h"
#include "platform/imaging/SharedWork.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

using namespace imaging;

FCAutoInitGDIPlus::FCAutoInitGDIPlus()
{
    Startup(&m_token);
}

FCAutoInitGDIPlus::~FCAutoInitGDIPlus()
{
    Shutdown(m_token);
}

namespace
{
// The platform's codecs share their work out over the threads of the run open on the calling
// thread (a save from the document has the "NbThreads" setting), like every loop of the library.
const imaging::PartsRunner kRunParts{[] { return std::size_t(FCEffectRun::CurrentThreads()); },
                                     [](std::size_t parts, imaging::PartBody body, void* context)
                                     {
                                         ParallelParts(parts, 1,
                                                       [&](std::size_t begin, std::size_t end)
                                                       {
                                                           for (std::size_t k = begin; k < end; ++k)
                                                               body(context, k);
                                                       });
                                     }};
} // namespace

FCImageCodec_Gdiplus::FCImageCodec_Gdiplus() : m_gdiplus(new FCAutoInitGDIPlus)
{
    imaging::SetPartsRunner(&kRunParts);
}

FCImageCodec_Gdiplus::~FCImageCodec_Gdiplus()
{
    delete m_gdiplus;
}

// The codec that serves BMP, JPEG, GIF and PNG (and TIFF and ICO under the default factory).
FCImageCodec* CreatePlatformImageCodec()
{
    return new FCImageCodec_Gdiplus;
}

bool FCImageCodec_Gdiplus::LoadImageFile(const wchar_t* fileName, std::vector<FCObjImage*>& frames,
                                         FCImageProperty* prop)
{
    if (!prop) return false;
    std::unique_ptr<PlatformBitmap> bitmap;
    const Status created = PlatformBitmap::FromFile(fileName, bitmap);
    return BitmapToImages(created, bitmap.get(), frames, *prop);
}

bool FCImageCodec_Gdiplus::LoadImageMemory(const void* buffer, int size, std::vector<FCObjImage*>& frames,
                                           FCImageProperty* prop)
{
    // A negative size is refused along with an empty buffer.
    if (!buffer || size <= 0 || !prop) return false;
    std::unique_ptr<PlatformBitmap> bitmap;
    const Status created = PlatformBitmap::FromMemory(buffer, std::size_t(size), bitmap);
    return BitmapToImages(created, bitmap.get(), frames, *prop);
}

bool FCImageCodec_Gdiplus::BitmapToImages(Status created, PlatformBitmap* bitmap,
                                          std::vector<FCObjImage*>& frames, FCImageProperty& prop)
{
    if (created != Ok || !bitmap) return false;
    const UINT dimensionCount = bitmap->GetFrameDimensionsCount();
    std::vector<GUID> dimensions(dimensionCount);
    if (dimensionCount > 0 && bitmap->GetFrameDimensionsList(dimensions.data(), dimensionCount) != Ok)
        dimensions.clear();
    // The images made here count in the decoding budget with the decoded frames they come from,
    // and a frame that cannot be had fails the whole file rather than leaving it shorter.
    const std::size_t before = frames.size();
    std::uint64_t charged = bitmap->DecodedBytes();
    auto fail = [&]
    {
        for (std::size_t i = before; i < frames.size(); ++i)
            delete frames[i];
        frames.resize(before);
        return false;
    };
    for (const GUID& dimension : dimensions)
    {
        const UINT count = bitmap->GetFrameCount(dimension);
        for (UINT index = 0; index < count; ++index)
        {
            bitmap->SelectActiveFrame(dimension, index);
            const std::int64_t pitch =
                DibRowPitch(std::int64_t(bitmap->GetWidth()), FCObjImage::GdiplusBitmapDepth(*bitmap));
            // The image's rows and its table of row addresses.
            charged += (std::uint64_t(pitch > 0 ? pitch : 0) + sizeof(BYTE*)) * bitmap->GetHeight();
            if (charged > MaxDecodedBytes()) return fail();
            auto image = std::make_unique<FCObjImage>();
            if (!image->FromGdiplusBitmap(*bitmap)) return fail();
            frames.push_back(image.release());
        }
    }
    // The items are those of the active frame: for a multi-page file, its last page.
    ReadProperties(*bitmap, prop);
    return !frames.empty();
}

void FCImageCodec_Gdiplus::ReadProperties(PlatformBitmap& bitmap, FCImageProperty& prop)
{
    UINT total = 0, count = 0;
    if (bitmap.GetPropertySize(&total, &count) != Ok || total == 0 || count == 0) return;
    std::vector<PropertyItem> block((total + sizeof(PropertyItem) - 1) / sizeof(PropertyItem));
    if (bitmap.GetAllPropertyItems(total, count, block.data()) != Ok) return;
    for (UINT i = 0; i < count; ++i)
    {
        const PropertyItem& item = block[i];
        if (item.length == 0 || !item.value) continue;
        const char* value = static_cast<const char*>(item.value);
        switch (item.id)
        {
        case PropertyTagFrameDelay:
            // Hundredths of a second to milliseconds; no delay reads as 100 ms.
            if (item.length > 3)
                for (UINT k = 0; k < item.length / 4; ++k)
                {
                    std::uint32_t v;
                    std::memcpy(&v, value + 4 * k, 4);
                    const std::int64_t d = std::min<std::int64_t>(std::int64_t(v) * 10, INT_MAX);
                    prop.frameDelays.push_back(d == 0 ? 100 : std::int32_t(d));
                }
            break;
        case 271:
            prop.make.assign(value, item.length);
            break;
        case 272:
            prop.model.assign(value, item.length);
            break;
        case 36867:
            prop.dateTaken.assign(value, item.length);
            break;
        default:
            prop.rawItems.push_back(PackPropertyItem(item.id, item.type, item.length, item.value));
            break;
        }
    }
}

bool FCImageCodec_Gdiplus::SaveImageFile(const wchar_t* fileName,
                                         const std::vector<const FCObjImage*>& frames,
                                         const FCImageProperty& prop)
{
    if (frames.empty() || !frames[0] || !frames[0]->HasBits()) return false;
    const int type = FCImageCodecFactory::GetImageTypeFromFileName(fileName);
    GUID format;
    switch (type)
    {
    case IMG_BMP:
        format = ImageFormatBMP;
        break;
    case IMG_JPG:
        format = ImageFormatJPEG;
        break;
    case IMG_GIF:
        format = ImageFormatGIF;
        break;
    case IMG_TIF:
        format = ImageFormatTIFF;
        break;
    case IMG_PNG:
        format = ImageFormatPNG;
        break;
    default:
        return false;
    }

    UINT encoderCount = 0, encoderBytes = 0;
    if (GetImageEncodersSize(&encoderCount, &encoderBytes) != Ok || encoderBytes == 0) return false;
    std::vector<ImageCodecInfo> encoders(encoderCount);
    if (GetImageEncoders(encoderCount, encoderBytes, encoders.data()) != Ok) return false;
    const auto encoder = std::find_if(encoders.begin(), encoders.end(),
                                      [&](const ImageCodecInfo& e) { return e.FormatID == format; });
    if (encoder == encoders.end()) return false;

    EncoderParameters parameters;
    const std::int32_t quality = prop.saveParameter == -1 ? 90 : prop.saveParameter;
    if (type == IMG_JPG)
    {
        parameters.Count = 1;
        parameters.Parameter[0].Guid = EncoderQuality;
        parameters.Parameter[0].NumberOfValues = 1;
        parameters.Parameter[0].Type = EncoderParameterValueTypeLong;
        parameters.Parameter[0].Value = &quality;
    }

    std::unique_ptr<PlatformBitmap> bitmap =
        ImageToBitmap(*frames[0], type == IMG_GIF ? prop.saveParameter : -1);
    if (!bitmap) return false;
    WriteProperties(prop, *bitmap);
    return bitmap->Save(fileName, encoder->Clsid, type == IMG_JPG ? &parameters : nullptr) == Ok;
}

std::unique_ptr<PlatformBitmap> FCImageCodec_Gdiplus::ImageToBitmap(const FCObjImage& image,
                                                                    int transparentIndex)
{
    if (!image.HasBits()) return nullptr;
    const int bpp = image.ColorBits();
    const PixelFormat format =
        bpp == 8 ? PixelFormat8bppIndexed : (bpp == 32 ? PixelFormat32bppARGB : PixelFormat24bppRGB);
    std::unique_ptr<PlatformBitmap> bitmap;
    if (PlatformBitmap::FromScan0(image.Width(), image.Height(), format, bitmap) != Ok) return nullptr;
    if (bpp == 8)
    {
        RGBQUAD entries[256];
        image.GetPalette(entries);
        ColorPalette palette;
        palette.Flags = PaletteFlagsHasAlpha;
        palette.Count = 256;
        for (int i = 0; i < 256; ++i)
        {
            const ARGB alpha = i == transparentIndex ? 0 : 255;
            palette.Entries[i] = alpha << 24 | ARGB(entries[i].rgbRed) << 16 |
                                 ARGB(entries[i].rgbGreen) << 8 | entries[i].rgbBlue;
        }
        bitmap->SetPalette(&palette);
    }
    // One lock over the whole picture, its own rows as the buffer (top row first, so the stride
    // goes down the bottom-up rows): the bitmap copies them over the run's threads.
    Rect rect;
    rect.Width = image.Width();
    rect.Height = image.Height();
    BitmapData data;
    data.Scan0 = const_cast<BYTE*>(image.RowAddress(0));
    data.Stride =
        image.Height() > 1 ? INT64(image.RowAddress(1) - image.RowAddress(0)) : INT64(image.RowPitch());
    if (bitmap->LockBits(rect, ImageLockModeWrite | ImageLockModeUserInputBuf, format, &data) != Ok)
        return nullptr;
    bitmap->UnlockBits(&data);
    return bitmap;
}

void FCImageCodec_Gdiplus::WriteProperties(const FCImageProperty& prop, PlatformBitmap& bitmap)
{
    // Make, model and date taken as text items: the text up to its first zero byte, then one
    // zero byte of our own (a field stored without its terminator gets one).
    const struct
    {
        std::uint32_t id;
        const std::string* field;
    } texts[] = {{271, &prop.make}, {272, &prop.model}, {36867, &prop.dateTaken}};
    for (const auto& t : texts)
    {
        if (t.field->empty()) continue;
        std::string value = t.field->substr(0, t.field->find('\0'));
        value.push_back('\0');
        PropertyItem item;
        item.id = t.id;
        item.type = kPropertyTypeASCII;
        item.length = std::uint32_t(value.size());
        item.value = value.data();
        bitmap.SetPropertyItem(item);
    }
    // Every other item as it was read (or stamped); a later item replaces an earlier one of the
    // same id. Frame delays are not written.
    for (const std::string& packed : prop.rawItems)
    {
        PropertyItem item;
        if (UnpackPropertyItem(packed, item)) bitmap.SetPropertyItem(item);
    }
}
