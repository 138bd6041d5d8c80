// Blurs and artistic effects: motion, radial and zoom blurs. The blurs average alpha with the
// colours.
#include "bench/EffectRegistry.h"
#include "imagelib/effects/MotionBlurEffects.h"

static const EffectFamily blurEffects{
    MakeEffectEntry<FCEffectBlur_Motion, int, int>("FCEffectBlur_Motion", "length angle_degrees",
                                                   {"50", "30"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectBlur_Radial, int, double, double>(
        "FCEffectBlur_Radial", "angle_degrees offset_x offset_y", {"10", "0.1", "-0.2"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectBlur_Zoom, int, double, double>("FCEffectBlur_Zoom", "strength offset_x offset_y",
                                                            {"15", "0", "0"}, kFxChangesAlpha),
};
