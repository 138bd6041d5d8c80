#include "document/RotateResizeCommands.h"

#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/ResizeEffects.h"

#include <climits>
#include <cmath>

double NormaliseDegrees(double degrees)
{
    double r = std::fmod(degrees, 360.0);
    // A tiny negative remainder plus 360 rounds to 360 itself: that is a whole turn, 0.
    if (r < 0.0) r = std::fmod(r + 360.0, 360.0);
    return r;
}

std::optional<RotationCommand> RotationFromDialog(const RotationValues& values)
{
    if (!std::isfinite(values.angle)) return std::nullopt;
    const double signedAngle = values.toRight ? values.angle : -values.angle;
    RotationCommand c;
    c.freeImage = values.useFreeImage;
    if (c.freeImage)
        c.freeImageDegrees = -signedAngle;
    else
        c.radians = NormaliseDegrees(signedAngle) * 0.017453292519943295;
    return c;
}

std::unique_ptr<FCImageEffect> MakeRotationEffect(const RotationCommand& command)
{
    if (command.freeImage) return std::make_unique<FCEffectRotateFreeImage>(command.freeImageDegrees);
    return std::make_unique<FCEffectRotate>(command.radians, 0u);
}

ResizeDecision ResizeFromDialog(int imageWidth, int imageHeight, const ResizeValues& values)
{
    ResizeDecision d;
    std::int64_t w = values.width, h = values.height;
    // The automatic sides keep the image's proportions; an image without pixels has none to keep.
    if (values.autoWidth) w = imageHeight > 0 ? std::int64_t(imageWidth) * h / imageHeight : 0;
    if (values.autoHeight) h = imageWidth > 0 ? std::int64_t(imageHeight) * w / imageWidth : 0;
    d.width = w;
    d.height = h;
    if (w < 1 || h < 1)
        d.refusal = ResizeRefusal::TooSmall;
    else if (w > INT_MAX || h > INT_MAX)
        d.refusal = ResizeRefusal::TooLarge;
    else
        d.command = ResizeCommand{values.useFreeImage, int(w), int(h), values.filter};
    return d;
}

std::unique_ptr<FCImageEffect> MakeResizeEffect(const ResizeCommand& command)
{
    if (command.freeImage)
        return std::make_unique<FCEffectResizeFreeImage>(command.width, command.height, command.filter);
    return std::make_unique<FCEffectResize>(command.width, command.height);
}
