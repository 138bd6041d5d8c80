// Reads and writes images through the FreeImage library: single images and multi-page files
// (icons, TIFF, GIF) become 24- or 32-bit frames, with the GIF frame times collected.
#pragma once

#include "imagelib/FCImageCodec.h"

#include <string>

class FCImageCodec_FreeImage : public FCImageCodec
{
public:
    FCImageCodec_FreeImage();
    ~FCImageCodec_FreeImage() override;

    // The name as the C library takes it (UTF-8); null gives the empty string.
    static std::string WideToAnsi(const wchar_t* name);

    bool LoadImageFile(const wchar_t* fileName, std::vector<FCObjImage*>& frames,
                       FCImageProperty* prop) override;
    bool LoadImageMemory(const void* buffer, int size, std::vector<FCObjImage*>& frames,
                         FCImageProperty* prop) override;
    bool SaveImageFile(const wchar_t* fileName, const std::vector<const FCObjImage*>& frames,
                       const FCImageProperty& prop) override;

    // The library's version text, for the about box.
    static const char* LibraryVersion();
};
