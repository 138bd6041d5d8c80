#include "imagelib/FCImageCodec.h"

#include "imagelib/FCObjImage.h"
#include "imagelib/codecs/FCImageCodec_FreeImage.h"
#include "imagelib/codecs/FCImageCodec_Gdiplus.h"

#include <cwchar>
#include <memory>
#include <string>

bool FCImageCodec::LoadImageFile(const wchar_t*, std::vector<FCObjImage*>&, FCImageProperty*)
{
    return false;
}

bool FCImageCodec::LoadImageMemory(const void*, int, std::vector<FCObjImage*>&, FCImageProperty*)
{
    return false;
}

bool FCImageCodec::SaveImageFile(const wchar_t*, const std::vector<const FCObjImage*>&,
                                 const FCImageProperty&)
{
    return false;
}

namespace
{
std::wstring LowerExtension(const wchar_t* fileName)
{
    const wchar_t* dot = std::wcsrchr(fileName, L'.');
    std::wstring ext = dot ? std::wstring(dot + 1) : std::wstring();
    for (wchar_t& c : ext)
        if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
    return ext;
}

struct ExtensionType
{
    const wchar_t* ext;
    int type;
};

int LookUp(const wchar_t* fileName, const ExtensionType* table, std::size_t count)
{
    if (!fileName) return IMG_UNKNOWN;
    const std::wstring ext = LowerExtension(fileName);
    for (std::size_t i = 0; i < count; ++i)
        if (ext == table[i].ext) return table[i].type;
    return IMG_UNKNOWN;
}

const ExtensionType kBaseTable[] = {
    {L"bmp", IMG_BMP},  {L"pcx", IMG_PCX}, {L"jpg", IMG_JPG}, {L"jpeg", IMG_JPG}, {L"jpe", IMG_JPG},
    {L"jfif", IMG_JPG}, {L"gif", IMG_GIF}, {L"tga", IMG_TGA}, {L"tif", IMG_TIF},  {L"tiff", IMG_TIF},
    {L"png", IMG_PNG},  {L"psd", IMG_PSD}, {L"ico", IMG_ICO}, {L"xpm", IMG_XPM},  {L"qlb", IMG_QLB},
};

const ExtensionType kApplicationTable[] = {
    {L"bmp", IMG_BMP},   {L"pcx", IMG_PCX},    {L"jpg", IMG_JPG},   {L"jpeg", IMG_JPG},  {L"jpe", IMG_JPG},
    {L"jfif", IMG_JPG},  {L"gif", IMG_GIF},    {L"tga", IMG_TGA},   {L"targa", IMG_TGA}, {L"tif", IMG_TIF},
    {L"tiff", IMG_TIF},  {L"png", IMG_PNG},    {L"psd", IMG_PSD},   {L"ico", IMG_ICO},   {L"xpm", IMG_XPM},
    {L"rle", IMG_OTHER}, {L"jp2", IMG_OTHER},  {L"j2k", IMG_OTHER}, {L"j2c", IMG_OTHER}, {L"pbm", IMG_OTHER},
    {L"ppm", IMG_OTHER}, {L"pgm", IMG_OTHER},  {L"xbm", IMG_OTHER}, {L"xpd", IMG_OTHER}, {L"pcd", IMG_OTHER},
    {L"pct", IMG_OTHER}, {L"pict", IMG_OTHER},
};

// The holder of the process-wide factory: created on first use, deleted at exit.
std::unique_ptr<FCImageCodecFactory>& FactoryHolder()
{
    static std::unique_ptr<FCImageCodecFactory> holder(new FCImageCodecFactory_Gdiplus);
    return holder;
}
} // namespace

int FCImageCodecFactory::GetImageTypeFromFileName(const wchar_t* fileName)
{
    return LookUp(fileName, kBaseTable, std::size(kBaseTable));
}

int FCImageCodecFactory::QueryImageFileType(const wchar_t* fileName)
{
    return GetImageTypeFromFileName(fileName);
}

FCImageCodec* FCImageCodecFactory_Gdiplus::CreateImageCodec(int type)
{
    switch (type)
    {
    case IMG_BMP:
    case IMG_JPG:
    case IMG_GIF:
    case IMG_PNG:
    case IMG_TIF:
    case IMG_ICO:
        return new FCImageCodec_Gdiplus;
    default:
        return nullptr;
    }
}

int CImageCodecFactory::QueryImageFileType(const wchar_t* fileName)
{
    return LookUp(fileName, kApplicationTable, std::size(kApplicationTable));
}

FCImageCodec* CImageCodecFactory::CreateImageCodec(int type)
{
    switch (type)
    {
    case IMG_BMP:
    case IMG_JPG:
    case IMG_GIF:
    case IMG_PNG:
        return new FCImageCodec_Gdiplus;
    case IMG_UNKNOWN:
    case IMG_PCX:
    case IMG_TGA:
    case IMG_TIF:
    case IMG_PSD:
    case IMG_ICO:
    case IMG_XPM:
    case IMG_QLB:
    case IMG_OTHER:
        return new FCImageCodec_FreeImage;
    default:
        return nullptr;
    }
}

FCImageCodecFactory* FCObjImage::GetCodecFactory()
{
    return FactoryHolder().get();
}

void FCObjImage::SetCodecFactory(FCImageCodecFactory* factory)
{
    if (!factory) return;
    auto& holder = FactoryHolder();
    if (holder.get() == factory) return;
    holder.reset(factory);
}
