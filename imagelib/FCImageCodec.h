// Codecs read and write image files; a process-wide factory maps a file name's extension to an
// image type number and a type number to a new codec, which the caller uses once and deletes.
#pragma once

#include <vector>

class FCObjImage;
class FCImageProperty;

// Image type numbers of the extension tables.
enum : int
{
    IMG_UNKNOWN = 0,
    IMG_BMP = 1,
    IMG_PCX = 2,
    IMG_JPG = 3,
    IMG_GIF = 4,
    IMG_TGA = 5,
    IMG_TIF = 6,
    IMG_PNG = 7,
    IMG_PSD = 8,
    IMG_ICO = 9,
    IMG_XPM = 10,
    IMG_QLB = 11,
    IMG_OTHER = 12,
};

class FCImageCodec
{
public:
    FCImageCodec() = default;
    FCImageCodec(const FCImageCodec&) = delete;
    FCImageCodec& operator=(const FCImageCodec&) = delete;
    virtual ~FCImageCodec() = default;

    // Appends frames made with new (the caller owns them); true when frames holds at least one
    // image afterwards. prop must not be null.
    virtual bool LoadImageFile(const wchar_t* fileName, std::vector<FCObjImage*>& frames,
                               FCImageProperty* prop);
    virtual bool LoadImageMemory(const void* buffer, int size, std::vector<FCObjImage*>& frames,
                                 FCImageProperty* prop);
    // Writes frames[0]; false when frames is empty or frames[0] has no bits.
    virtual bool SaveImageFile(const wchar_t* fileName, const std::vector<const FCObjImage*>& frames,
                               const FCImageProperty& prop);
};

class FCImageCodecFactory
{
public:
    FCImageCodecFactory() = default;
    FCImageCodecFactory(const FCImageCodecFactory&) = delete;
    FCImageCodecFactory& operator=(const FCImageCodecFactory&) = delete;
    virtual ~FCImageCodecFactory() = default;

    virtual int QueryImageFileType(const wchar_t* fileName);
    // A new codec for the type, or null; the caller deletes it.
    virtual FCImageCodec* CreateImageCodec(int type) = 0;

    // The base extension table: the text after the last '.' of the whole name, A-Z folded to
    // lower case, compared whole. A null name gives 0.
    static int GetImageTypeFromFileName(const wchar_t* fileName);
};

// The default factory, in force until the application installs its own.
class FCImageCodecFactory_Gdiplus : public FCImageCodecFactory
{
public:
    FCImageCodec* CreateImageCodec(int type) override;
};

// The application's factory: the platform codec for BMP, JPEG, GIF and PNG, FreeImage for
// everything else, a name of no known type included.
class CImageCodecFactory : public FCImageCodecFactory
{
public:
    int QueryImageFileType(const wchar_t* fileName) override;
    FCImageCodec* CreateImageCodec(int type) override;
};

// The codec that serves BMP, JPEG, GIF and PNG (and TIFF and ICO under the default factory): a new
// FCImageCodec_Gdiplus.
FCImageCodec* CreatePlatformImageCodec();
