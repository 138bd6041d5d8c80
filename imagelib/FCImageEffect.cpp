#include "imagelib/FCImageEffect.h"

bool FCProgressObserver::UpdateProgress(int percent)
{
    if (!OnProgress(percent))
    {
        SetCancelFlag(1);
        return false;
    }
    return GetCancelFlag() == 0;
}

bool FCImageEffect::AcceptsImage(const FCObjImage& image)
{
    return image.HasBits() && image.ColorBits() >= 24;
}

void FCObjImage::ApplyEffect(FCObjImage& image, FCImageEffect& effect, FCProgressObserver* observer)
{
    if (!effect.AcceptsImage(image)) return;
    effect.PrepareImage(image);
    if (observer && !observer->OnProgress(0)) observer->SetCancelFlag(1);

    const int mode = effect.GetProcessMode();
    if (mode == kProcessWholeImage)
    {
        effect.ApplyToImage(image, observer);
        return;
    }
    if (mode != kProcessPerPixel && mode != kProcessPerRow) return;

    // Read after PrepareImage, which may have replaced the image.
    const int w = image.Width();
    const int h = image.Height();
    const int step = image.ColorBits() / 8;
    for (int y = 0; y < h; ++y)
    {
        BYTE* row = image.RowAddress(y);
        if (mode == kProcessPerRow)
            effect.ApplyToRow(image, y, row, step);
        else
            for (int x = 0; x < w; ++x, row += step)
                effect.ApplyToPixel(image, x, y, row);
        if (observer)
        {
            const int p = int((100LL * (y + 1)) / h);
            if (!observer->OnProgress(p))
            {
                observer->SetCancelFlag(1);
                return;
            }
            if (observer->IsCancelled()) return;
        }
    }
}
