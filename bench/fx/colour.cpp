// Colour and tone: lookup tables, per-pixel colour effects, noise and halftone, colour models and
// colour adjustments, histograms and levels.
#include "bench/EffectRegistry.h"
#include "imagelib/effects/ColorEffects.h"
#include "imagelib/effects/ColorModel.h"
#include "imagelib/effects/HistogramEffects.h"

static const EffectFamily colourEffects{
    MakeEffectEntry<FCEffectBrightnessContrast, int, int>("FCEffectBrightnessContrast", "brightness contrast",
                                                          {"20", "-30"}),
    MakeEffectEntry<FCEffectGammaValue, double>("FCEffectGammaValue", "gamma", {"1.6"}),
    MakeEffectEntry<FCEffectInvert>("FCEffectInvert", "", {}),
    MakeEffectEntry<FCEffectSolarize, int>("FCEffectSolarize", "threshold", {"128"}),
    MakeEffectEntry<FCEffectPosterize, int>("FCEffectPosterize", "levels", {"4"}),
    MakeEffectEntry<FCEffectNbNiveaux, int>("FCEffectNbNiveaux", "levels", {"8"}),
    MakeEffectEntry<FCEffectSeuil, int>("FCEffectSeuil", "threshold", {"128"}),
    MakeEffectEntry<FCEffectSeuilRGB, int, int, int>("FCEffectSeuilRGB", "red green blue",
                                                     {"100", "128", "160"}),
    MakeEffectEntry<FCEffectThreshold, int>("FCEffectThreshold", "level", {"128"}),
    MakeEffectEntry<FCEffectThreshold2, int, int>("FCEffectThreshold2", "low high", {"64", "192"}),
    MakeEffectEntry<FCEffectGrayscale>("FCEffectGrayscale", "", {}),
    MakeEffectEntry<FCEffectAdjustRGB, int, int, int>("FCEffectAdjustRGB", "red green blue",
                                                      {"40", "-20", "10"}),
    // Alpha -1 leaves the alpha bytes alone.
    MakeEffectEntry<FCEffectFillColor, RGBQUAD, int>("FCEffectFillColor", "colour_0xAARRGGBB alpha_or_-1",
                                                     {"0x80FF8000", "-1"}),
    MakeEffectEntry<FCEffectNoisify, int, bool>("FCEffectNoisify", "amount independent_colours", {"20", "1"},
                                                kFxRandom),
    MakeEffectEntry<FCEffectHalftoneM3>("FCEffectHalftoneM3", "", {}),
    MakeEffectEntry<FCEffectPremultipleAlpha>("FCEffectPremultipleAlpha", "", {}),
    MakeEffectEntry<FCEffectHueSaturation, int, int>("FCEffectHueSaturation", "hue saturation", {"30", "40"}),
    MakeEffectEntry<FCEffectColorBalance, bool, int, int, int, int>(
        "FCEffectColorBalance", "preserve_luminosity tone_range cyan_red magenta_green yellow_blue",
        {"1", "1", "40", "-10", "-30"}),
    MakeEffectEntry<FCEffectColorToneIntParam, int, int>("FCEffectColorToneIntParam",
                                                         "hue_degrees saturation", {"45", "160"}),
    // Counts only: the pixels are left as they are.
    MakeEffectEntry<FCEffectGetHistogram>("FCEffectGetHistogram", "", {}),
    MakeEffectEntry<FCEffectEgaliserHistogrammeRGB>("FCEffectEgaliserHistogrammeRGB", "", {}),
    MakeEffectEntry<FCEffectEgaliserHistogrammeLuminosite>("FCEffectEgaliserHistogrammeLuminosite", "", {}),
    MakeEffectEntry<FCEffectAutoContrast>("FCEffectAutoContrast", "", {}),
    MakeEffectEntry<FCEffectColorLevel, int, int, int, int, double, int>(
        "FCEffectColorLevel", "in_low in_high out_low out_high gamma channel_mask_4b_2g_1r",
        {"20", "230", "10", "250", "1.4", "7"}),
    MakeEffectEntry<FCEffectAutoColorLevel>("FCEffectAutoColorLevel", "", {}),
    MakeEffectEntry<FCEffectAutoColorEnhance>("FCEffectAutoColorEnhance", "", {}),
};
