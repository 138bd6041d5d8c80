#include "imagelib/FCImageCodec.h"
#include "imagelib/codecs/FCImageCodec_FreeImage.h"

// FreeImage reads and writes BMP, JPEG, GIF, PNG, TIFF and ICO until the platform codec serves them.
FCImageCodec* CreatePlatformImageCodec()
{
    return new FCImageCodec_FreeImage;
}
