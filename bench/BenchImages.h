// Images for the benchmarks: a deterministic colourful 6000 x 4000 picture.
#pragma once

#include "imagelib/FCObjImage.h"

inline FCObjImage MakeBenchImage(int bpp, int width = 6000, int height = 4000)
{
    FCObjImage image;
    image.Create(width, height, bpp);
    const int step = bpp / 8;
    for (int y = 0; y < height; ++y)
    {
        BYTE* p = image.RowAddress(y);
        for (int x = 0; x < width; ++x, p += step)
        {
            p[0] = BYTE((x * 7 + y * 3) & 0xFF);
            if (step >= 3)
            {
                p[1] = BYTE((x ^ y) & 0xFF);
                p[2] = BYTE((x * y / 64) & 0xFF);
            }
            if (step == 4) p[3] = BYTE((x + y) & 0xFF);
        }
    }
    return image;
}
