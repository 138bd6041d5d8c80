#include "views/OverlayImages.h"

#include "imagelib/effects/ColorEffects.h"
#include "resources/CommandIds.h"

#include <algorithm>
#include <cstring>

FCObjImage PremultipliedCopy(const FCObjImage& image)
{
    // FCEffectPremultipleAlpha's arithmetic a row at a time: views make this copy of whole images.
    FCObjImage copy(image);
    if (copy.ColorBits() != 32) return copy;
    for (int y = 0; y < copy.Height(); ++y)
        PremultiplyAlphaRow(copy.RowAddress(y), copy.Width());
    return copy;
}

void MakeOverlayDisplayImage(FCObjImage& picture)
{
    picture.ConvertBitDepth(32);
    if (!picture.HasBits()) return;
    for (int y = 0; y < picture.Height(); ++y)
    {
        BYTE* p = picture.RowAddress(y);
        for (int x = 0; x < picture.Width(); ++x, p += 4)
            p[3] = BYTE(p[3] >> 1);
    }
    FCEffectPremultipleAlpha effect;
    FCObjImage::ApplyEffect(picture, effect, nullptr);
}

void ComposeOverlayBackground(FCObjImage& background, int width, int height, const FCObjImage& document,
                              POINT at)
{
    if (width < 1 || height < 1 || !document.HasBits())
    {
        background.Destroy();
        return;
    }
    const int bpp = document.ColorBits();
    if (!background.HasBits() || background.ColorBits() != bpp || background.Width() != width ||
        background.Height() != height)
    {
        if (!background.Create(width, height, bpp)) return;
    }
    std::memset(background.GetBits(), 0, std::size_t(background.RowPitch()) * std::size_t(height));
    // Palette indices are shown through the document's own colours.
    if (bpp == 8)
    {
        RGBQUAD palette[256];
        document.GetPalette(palette);
        background.SetPalette(palette);
    }
    if (bpp == 32)
        for (int y = 0; y < height; ++y)
        {
            BYTE* p = background.RowAddress(y);
            for (int x = 0; x < width; ++x)
                p[4 * x + 3] = 255;
        }
    // The document pixels from `at` to at + (width - 1, height - 1), corners included.
    const std::int64_t left = std::max<std::int64_t>(at.x, 0), top = std::max<std::int64_t>(at.y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t(at.x) + width - 1, document.Width() - 1);
    const std::int64_t bottom =
        std::min<std::int64_t>(std::int64_t(at.y) + height - 1, document.Height() - 1);
    if (left > right || top > bottom) return;
    const std::size_t rowBytes = std::size_t(right - left + 1) * std::size_t(bpp / 8);
    for (std::int64_t y = top; y <= bottom; ++y)
        std::memcpy(background.PixelAddress(int(left - at.x), int(y - at.y)),
                    document.PixelAddress(int(left), int(y)), rowBytes);
}

int PasteModeOfCommand(int id)
{
    switch (id)
    {
    case kCmdPasteHere:
        return 0;
    case kCmdPasteAnd:
        return 1;
    case kCmdPasteOr:
        return 2;
    case kCmdPasteXor:
        return 3;
    case kCmdPasteXorOffset:
        return 4;
    case kCmdPasteMin:
        return 5;
    case kCmdPasteMax:
        return 6;
    case kCmdPasteAverage:
        return 7;
    case kCmdPasteDifference:
        return 8;
    case kCmdPasteAbsDifference:
        return 9;
    case kCmdPasteDifferenceOffset:
        return 10;
    default:
        return -1;
    }
}
