// Blurs and artistic effects. The blurs average alpha with the colours; mosaic averages it by
// block and splash moves it with the colour; soft glow, soft portrait and pencil sketch give back
// the image's alpha.
#include "bench/EffectRegistry.h"
#include "imagelib/effects/ArtisticEffects.h"
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
    MakeEffectEntry<FCEffectSoftGlow, int, int, int>("FCEffectSoftGlow", "radius brightness contrast",
                                                     {"10", "20", "-10"}),
    MakeEffectEntry<FCEffectSoftPortrait, int, int, int>("FCEffectSoftPortrait",
                                                         "softening brightness warmth", {"5", "5", "10"}),
    MakeEffectEntry<FCEffectOilPaint, int, int>("FCEffectOilPaint", "radius levels", {"3", "30"}),
    MakeEffectEntry<FCEffectMosaic, int>("FCEffectMosaic", "block_size", {"20"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectSplash, int>("FCEffectSplash", "size", {"20"}, kFxChangesAlpha | kFxRandom),
    MakeEffectEntry<FCEffectReduceNoise, int, double>("FCEffectReduceNoise", "radius strength",
                                                      {"10", "0.4"}),
    MakeEffectEntry<FCEffectPencilSketch, int, int>("FCEffectPencilSketch", "pencil_size roughness",
                                                    {"5", "3"}),
    MakeEffectEntry<FCEffectOldPhoto, int, int, int>("FCEffectOldPhoto", "softening brightness contrast",
                                                     {"3", "-20", "-40"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectBlur_Motion, int, int>("FCEffectBlur_Motion", "length angle_degrees",
                                                   {"50", "30"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectBlur_Radial, int, double, double>(
        "FCEffectBlur_Radial", "angle_degrees offset_x offset_y", {"10", "0.1", "-0.2"}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectBlur_Zoom, int, double, double>("FCEffectBlur_Zoom", "strength offset_x offset_y",
                                                            {"15", "0", "0"}, kFxChangesAlpha),
};
