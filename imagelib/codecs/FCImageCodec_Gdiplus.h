// Reads and writes images through the platform imaging layer: every frame of a file becomes a
// 24- or 32-bit image, the file's metadata items travel into and out of the property record,
// and saving picks the encoder by the file name's type, with the JPEG quality and the GIF
// transparent index taken from the record's save parameter.
#pragma once

#include "imagelib/FCImageCodec.h"
#include "platform/imaging/PlatformBitmap.h"

#include <cstdint>
#include <memory>

// Starts the platform imaging layer for the lifetime of the object.
class FCAutoInitGDIPlus
{
public:
    FCAutoInitGDIPlus();
    FCAutoInitGDIPlus(const FCAutoInitGDIPlus&) = delete;
    FCAutoInitGDIPlus& operator=(const FCAutoInitGDIPlus&) = delete;
    virtual ~FCAutoInitGDIPlus();

private:
    std::uintptr_t m_token = 0;
};

class FCImageCodec_Gdiplus : public FCImageCodec
{
public:
    FCImageCodec_Gdiplus();
    ~FCImageCodec_Gdiplus() override;

    bool LoadImageFile(const wchar_t* fileName, std::vector<FCObjImage*>& frames,
                       FCImageProperty* prop) override;
    bool LoadImageMemory(const void* buffer, int size, std::vector<FCObjImage*>& frames,
                         FCImageProperty* prop) override;
    bool SaveImageFile(const wchar_t* fileName, const std::vector<const FCObjImage*>& frames,
                       const FCImageProperty& prop) override;

private:
    static bool BitmapToImages(imaging::Status created, imaging::PlatformBitmap* bitmap,
                               std::vector<FCObjImage*>& frames, FCImageProperty& prop);
    static std::unique_ptr<imaging::PlatformBitmap> ImageToBitmap(const FCObjImage& image,
                                                                  int transparentIndex);
    static void ReadProperties(imaging::PlatformBitmap& bitmap, FCImageProperty& prop);
    static void WriteProperties(const FCImageProperty& prop, imaging::PlatformBitmap& bitmap);

    FCAutoInitGDIPlus* m_gdiplus;
};
