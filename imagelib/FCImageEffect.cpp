#include "imagelib/FCImageEffect.h"

#include "imagelib/FCBandRunner.h"

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

void FCImageEffect::ApplyToPixelsOfRow(FCObjImage& image, int y, BYTE* row, int bytesPerPixel,
                                       FCEffectThreadState*)
{
    const int w = image.Width();
    for (int x = 0; x < w; ++x, row += bytesPerPixel)
        ApplyToPixel(image, x, y, row);
}

// The one-thread case of the runner, or a part of the run already open on this thread.
void FCObjImage::ApplyEffect(FCObjImage& image, FCImageEffect& effect, FCProgressObserver* observer)
{
    if (!effect.AcceptsImage(image)) return;
    ApplyEffectInBands(image, effect, FCEffectRun::CurrentThreads(), observer);
}
