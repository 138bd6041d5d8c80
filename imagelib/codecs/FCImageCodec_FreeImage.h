// Reads and writes images through the FreeImage library: single images and multi-page files
// (icons, TIFF, GIF) become 24- or 32-bit frames, with the GIF frame times collected.
//
// Nothing foreign reaches the library in this process. Content that the platform's own readers
// know (BMP, JPEG, PNG, GIF, TIFF, found from its first bytes) is read by them, with the same
// results as the library gives; any other content is decoded by the library in a child process,
// after checks of the sizes its header claims, within a time limit and the decoding budget, so
// that a crash or a hang in the library fails the load and takes nothing else down. Saving
// encodes into memory and writes the file atomically.
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

    // The time the library may take to decode one file in its child process (8 s by default; 0
    // puts the default back).
    static void SetDecodeTimeLimitForTesting(double seconds);
};
