// Writes the sample image: a 480 x 360 test chart with colour gradients, grey steps, sharp
// edges, fine detail (a zone plate, one-pixel checks and lines) and a transparent area, in
// 32 bits. Integer arithmetic only, so the bytes are the same on every machine.
//
//   orvalis-make-sample OUTPUT.png
#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"
#include "imagelib/codecs/FCImageCodec_FreeImage.h"
#include "platform/TextConv.h"

#include <cstdio>
#include <cstdlib>

namespace
{
constexpr int kWidth = 480;
constexpr int kHeight = 360;

void Put(FCObjImage& img, int x, int y, int r, int g, int b, int a = 255)
{
    BYTE* p = img.PixelAddress(x, y);
    p[0] = BYTE(b);
    p[1] = BYTE(g);
    p[2] = BYTE(r);
    p[3] = BYTE(a);
}

// Hue 0..1535 at full saturation and value.
void Hue(int h, int& r, int& g, int& b)
{
    const int seg = h / 256, f = h % 256;
    switch (seg)
    {
    case 0:
        r = 255, g = f, b = 0;
        break;
    case 1:
        r = 255 - f, g = 255, b = 0;
        break;
    case 2:
        r = 0, g = 255, b = f;
        break;
    case 3:
        r = 0, g = 255 - f, b = 255;
        break;
    case 4:
        r = f, g = 0, b = 255;
        break;
    default:
        r = 255, g = 0, b = 255 - f;
        break;
    }
}

// A triangle wave of period 512 giving 0..255.
int Triangle(long long phase)
{
    const int t = int(phase & 511);
    return t < 256 ? t : 511 - t;
}

FCObjImage MakeChart()
{
    FCObjImage img;
    img.Create(kWidth, kHeight, 32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            int r, g, b;
            if (y < 120)
            {
                // Hue across, fading to white at the top and to black at the bottom of the band.
                Hue(x * 1535 / (kWidth - 1), r, g, b);
                const int v = y < 60 ? 255 : 255 - (y - 60) * 255 / 60;
                const int w = y < 60 ? (60 - y) * 255 / 60 : 0;
                r = (r * v + w * (255 - r)) / 255;
                g = (g * v + w * (255 - g)) / 255;
                b = (b * v + w * (255 - b)) / 255;
                Put(img, x, y, r, g, b);
            }
            else if (y < 160)
            {
                const int step = x * 16 / kWidth * 17; // sixteen grey steps
                Put(img, x, y, step, step, step);
            }
            else if (y < 180)
            {
                const int ramp = x * 255 / (kWidth - 1);
                Put(img, x, y, ramp, ramp, ramp);
            }
            else if (x < 160)
            {
                // Zone plate: rings getting finer outwards.
                const long long dx = x - 80, dy = y - 270;
                const int v = Triangle((dx * dx + dy * dy) * 3 / 2);
                Put(img, x, y, v, v, v);
            }
            else if (x < 320)
            {
                const int cx = x - 160, cy = y - 180;
                if (cy < 60)
                {
                    // One-pixel checks, then two-pixel lines, then a hard-edged diagonal.
                    if (cx < 50)
                        ((cx + cy) & 1) ? Put(img, x, y, 255, 255, 255) : Put(img, x, y, 0, 0, 0);
                    else if (cx < 100)
                        ((cx >> 1) & 1) ? Put(img, x, y, 230, 30, 30) : Put(img, x, y, 30, 30, 230);
                    else
                        (cx - 100 > cy * 40 / 60) ? Put(img, x, y, 250, 220, 0) : Put(img, x, y, 20, 120, 40);
                }
                else
                {
                    // Colour bars.
                    static const int bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                                   {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
                    const int* c = bars[cx / 20];
                    Put(img, x, y, c[0], c[1], c[2]);
                }
            }
            else
            {
                // The transparent area: a colour square whose alpha falls from opaque at the left
                // to fully transparent at the right, with a fully transparent hole.
                const int cx = x - 320, cy = y - 180;
                const int a = 255 - cx * 255 / 159;
                Hue(cy * 1535 / 179, r, g, b);
                const bool hole = cx >= 30 && cx < 70 && cy >= 70 && cy < 110;
                Put(img, x, y, r, g, b, hole ? 0 : a);
            }
        }
    return img;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: orvalis-make-sample OUTPUT.png\n");
        return 2;
    }
    const FCObjImage chart = MakeChart();
    FCImageCodec_FreeImage codec;
    FCImageProperty prop;
    if (!codec.SaveImageFile(NativeToPath(argv[1]).c_str(), {&chart}, prop))
    {
        std::fprintf(stderr, "orvalis-make-sample: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
