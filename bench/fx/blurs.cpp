// Blurs and artistic effects. The blurs average alpha with the colours.
#include "bench/EffectRegistry.h"
#include "imagelib/effects/GaussBlurEffects.h"
#include "imagelib/effects/MotionBlurEffects.h"

static const EffectFamily blurEffects{
    MakeEffectEntry<FCEffectBlur_Gauss, int, bool, int>("FCEffectBlur_Gauss", "radius copy_edge channel_mode",
                                                        {"5", "1", "1"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectBlur_GaussCopyEdge, int>("FCEffectBlur_GaussCopyEdge", "radius", {"5"},
                                                     kFxChangesAlpha),
    // The sharpened image keeps the blurred alpha.
    MakeEffectEntry<FCEffectUNSharpMask, int, int, int>("FCEffectUNSharpMask", "radius amount threshold",
                                                        {"5", "70", "0"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectBlur_Motion, int, int>("FCEffectBlur_Motion", "length angle_degrees",
                                                   {"50", "30"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectBlur_Radial, int, double, double>(
        "FCEffectBlur_Radial", "angle_degrees offset_x offset_y", {"10", "0.1", "-0.2"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectBlur_Zoom, int, double, double>("FCEffectBlur_Zoom", "strength offset_x offset_y",
                                                            {"15", "0", "0"}, kFxChangesAlpha),
};
