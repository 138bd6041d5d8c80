// Channel and Y/U/V extraction; Fourier-domain filters and spectrum displays. The Fourier
// effects borrow one transform object for the whole process, as a document lends its own.
#include "bench/EffectRegistry.h"
#include "imagelib/effects/FourierEffects.h"
#include "imagelib/effects/YUVEffects.h"

namespace
{
FFTW3Helper& SharedTransform()
{
    static FFTW3Helper* transform = new FFTW3Helper; // kept to the end of the process
    return *transform;
}

// The effect built on the shared transform object; the registry gives the other arguments.
template <class Effect> class OnSharedTransform : public Effect
{
public:
    template <class... Args> explicit OnSharedTransform(Args... args) : Effect(&SharedTransform(), args...) {}
};

// The Fourier effects crop odd sizes to even: their size may change.
template <class Effect, class... Args>
EffectEntry Fourier(const char* name, const char* argumentNames, std::initializer_list<const char*> example)
{
    return MakeEffectEntry<OnSharedTransform<Effect>, Args...>(name, argumentNames, example, kFxChangesSize);
}
} // namespace

static const EffectFamily yuvEffects{
    MakeEffectEntry<FCEffectGetRChannel>("FCEffectGetRChannel", "", {}),
    MakeEffectEntry<FCEffectGetGChannel>("FCEffectGetGChannel", "", {}),
    MakeEffectEntry<FCEffectGetBChannel>("FCEffectGetBChannel", "", {}),
    MakeEffectEntry<FCEffectGetRChannelLumi>("FCEffectGetRChannelLumi", "", {}),
    MakeEffectEntry<FCEffectGetGChannelLumi>("FCEffectGetGChannelLumi", "", {}),
    MakeEffectEntry<FCEffectGetBChannelLumi>("FCEffectGetBChannelLumi", "", {}),
    MakeEffectEntry<FCEffectYUVLuminance>("FCEffectYUVLuminance", "", {}),
    MakeEffectEntry<FCEffectYUVChrominanceBleue>("FCEffectYUVChrominanceBleue", "", {}),
    MakeEffectEntry<FCEffectYUVChrominanceBleueLuminance>("FCEffectYUVChrominanceBleueLuminance", "", {}),
    MakeEffectEntry<FCEffectYUVChrominanceRouge>("FCEffectYUVChrominanceRouge", "", {}),
    MakeEffectEntry<FCEffectYUVChrominanceRougeLuminance>("FCEffectYUVChrominanceRougeLuminance", "", {}),
};

// Examples sized for the 6000 x 4000 benchmark image (the dialogs' defaults for it).
static const EffectFamily fourierEffects{
    Fourier<FCEffectFourier, bool>("FCEffectFourier", "luminance_only", {"0"}),
    Fourier<FCEffectFourierModule, bool>("FCEffectFourierModule", "luminance_only", {"1"}),
    Fourier<FCEffectFourierPhase, bool>("FCEffectFourierPhase", "luminance_only", {"1"}),
    Fourier<FCEffectFourierRect, int, int, bool>("FCEffectFourierRect", "half_x half_y luminance_only",
                                                 {"1500", "1000", "1"}),
    Fourier<FCEffectFourierYuvRect, int, int>("FCEffectFourierYuvRect", "half_x half_y", {"1500", "1000"}),
    Fourier<FCEffectFourierCarre, int, bool>("FCEffectFourierCarre", "half_size luminance_only",
                                             {"1000", "1"}),
    Fourier<FCEffectFourierYuvCarre, int>("FCEffectFourierYuvCarre", "half_size", {"1000"}),
    Fourier<FCEffectFourierRectangulairePasseHaut, int, int, bool>(
        "FCEffectFourierRectangulairePasseHaut", "half_x half_y luminance_only", {"1500", "1000", "1"}),
    Fourier<FCEffectFourierYuvRectPasseHaut, int, int>("FCEffectFourierYuvRectPasseHaut", "half_x half_y",
                                                       {"1500", "1000"}),
    Fourier<FCEffectFourierCarrePasseHaut, int, bool>("FCEffectFourierCarrePasseHaut",
                                                      "half_size luminance_only", {"1000", "1"}),
    Fourier<FCEffectFourierYuvCarrePasseHaut, int>("FCEffectFourierYuvCarrePasseHaut", "half_size", {"1000"}),
    Fourier<FCEffectFourierCarreCoupeBande, int, int, bool>("FCEffectFourierCarreCoupeBande",
                                                            "inner_half_size outer_half_size luminance_only",
                                                            {"500", "1000", "1"}),
    Fourier<FCEffectFourierYuvCarreCoupeBande, int, int>("FCEffectFourierYuvCarreCoupeBande",
                                                         "inner_half_size outer_half_size", {"500", "1000"}),
    Fourier<FCEffectFourierCarrePasseBande, int, int, bool>("FCEffectFourierCarrePasseBande",
                                                            "inner_half_size outer_half_size luminance_only",
                                                            {"500", "1000", "1"}),
    Fourier<FCEffectFourierYuvCarrePasseBande, int, int>("FCEffectFourierYuvCarrePasseBande",
                                                         "inner_half_size outer_half_size", {"500", "1000"}),
    Fourier<FCEffectFourierRectangulaireCoupeBande, int, int, int, bool>(
        "FCEffectFourierRectangulaireCoupeBande", "half_x half_y band_width luminance_only",
        {"1500", "1000", "250", "1"}),
    Fourier<FCEffectFourierYuvRectangulaireCoupeBande, int, int, int>(
        "FCEffectFourierYuvRectangulaireCoupeBande", "half_x half_y band_width", {"1500", "1000", "250"}),
    Fourier<FCEffectFourierRectangulairePasseBande, int, int, int, bool>(
        "FCEffectFourierRectangulairePasseBande", "half_x half_y band_width luminance_only",
        {"1500", "1000", "250", "1"}),
    Fourier<FCEffectFourierYuvRectangulairePasseBande, int, int, int>(
        "FCEffectFourierYuvRectangulairePasseBande", "half_x half_y band_width", {"1500", "1000", "250"}),
    Fourier<FCEffectFourierCirculaire, int, bool>("FCEffectFourierCirculaire", "radius luminance_only",
                                                  {"1000", "1"}),
    Fourier<FCEffectFourierYuvCirculaire, int>("FCEffectFourierYuvCirculaire", "radius", {"1000"}),
    Fourier<FCEffectFourierCirculairePasseHaut, int, bool>("FCEffectFourierCirculairePasseHaut",
                                                           "radius luminance_only", {"1000", "1"}),
    Fourier<FCEffectFourierYuvCirculairePasseHaut, int>("FCEffectFourierYuvCirculairePasseHaut", "radius",
                                                        {"1000"}),
    Fourier<FCEffectFourierCirculaireCoupeBande, int, int, bool>("FCEffectFourierCirculaireCoupeBande",
                                                                 "inner_radius outer_radius luminance_only",
                                                                 {"500", "1000", "1"}),
    Fourier<FCEffectFourierYuvCirculaireCoupeBande, int, int>("FCEffectFourierYuvCirculaireCoupeBande",
                                                              "inner_radius outer_radius", {"500", "1000"}),
    Fourier<FCEffectFourierCirculairePasseBande, int, int, bool>("FCEffectFourierCirculairePasseBande",
                                                                 "inner_radius outer_radius luminance_only",
                                                                 {"500", "1000", "1"}),
    Fourier<FCEffectFourierYuvCirculairePasseBande, int, int>("FCEffectFourierYuvCirculairePasseBande",
                                                              "inner_radius outer_radius", {"500", "1000"}),
    // The dialog's default slider position 20, times 0.0001.
    Fourier<FCEffectFourierGaussien, double, bool>("FCEffectFourierGaussien", "sigma luminance_only",
                                                   {"0.002", "1"}),
    Fourier<FCEffectFourierYuvGaussien, double>("FCEffectFourierYuvGaussien", "sigma", {"0.002"}),
};
