// The frequency-domain filter commands as data: for each of the 26 filters (13 on the luminance,
// 13 twins on Y, U and V), how many sliders its dialog has, how their ranges follow from the image
// size, the titles and captions its two dialogs show (the document's own and the Fourier tool
// view's), and the effect a set of slider values makes. Plain C++: the dialogs and the tool view
// read it, tests check it alone.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <array>
#include <memory>
#include <span>
#include <type_traits>

class FFTW3Helper;

// How a filter's sliders take their ranges from the image (w x h, m = min(w, h), integer halves).
enum class FourierRangeRule
{
    Half,    // one slider: [1, m/2], default (m/2)/2 (half-size or radius)
    XY,      // two sliders: X [1, w/2] default w/4; Y [1, h/2] default h/4
    Band,    // two sliders: inner [1, m/2] default (m/2)/4; outer [1, m/2] default (m/2)/2
    XYWidth, // three sliders: X and Y as XY, then the band width [1, m/2] default m/16
    Gaussian // one slider of positions [0, 1000] default 20, passed on as position x 0.0001
};

struct FourierSliderRange
{
    int min;
    int max;
    int def;
};

// The values a filter dialog ends with: the slider positions in slider order, and for the
// Gaussian the converted width.
struct FourierValues
{
    std::array<int, 3> positions{};
    double sigma = 0.0;
};

struct FourierFilterCommand
{
    int id;
    int twin;           // the same filter on the other planes (luminance <-> Y+U+V)
    bool luminanceOnly; // the luminance classes; the Y+U+V classes filter all three planes
    FourierRangeRule rule;
    const char* handler;   // the document's member named after the command
    const char* docTitle;  // UTF-8: the title of the document's dialog
    const char* toolTitle; // the title of the Fourier tool view's dialog
    std::array<const char*, 3> docCaptions;
    std::array<const char*, 3> toolCaptions;
    // The filter with the values, on the transform object (borrowed).
    std::unique_ptr<FCImageEffect> (*make)(FFTW3Helper* helper, const FourierValues& values);
};

// The 26 filters, luminance first, each group in the order of its menu.
std::span<const FourierFilterCommand> FourierFilterCommands();
// The row of a filter command, or null.
const FourierFilterCommand* FindFourierFilterCommand(int id);

// 1 (Half, Gaussian), 2 (XY, Band) or 3 (XYWidth).
int FourierSliderCount(FourierRangeRule rule);
// The dialog template of the rule: 213, 214 or 215.
int FourierDialogResource(FourierRangeRule rule);

// The ranges and defaults of the rule's sliders for an image of w x h. Every maximum is at least
// its minimum and every default inside its range, so a tiny image still gives usable sliders (the
// filters leave images under 2 pixels alone). Unused sliders are {0, 0, 0}.
std::array<FourierSliderRange, 3> FourierSliderRanges(FourierRangeRule rule, int w, int h);

// The Gaussian's slider position as its width: position x 0.0001.
double GaussienneConversion(int position);

// The filter of a command with the values; null for an id that is not a filter.
std::unique_ptr<FCImageEffect> MakeFourierFilterEffect(int id, FFTW3Helper* helper,
                                                       const FourierValues& values);

// How a filter class is built from the transform object and its slider values: the luminance
// classes also take luminanceOnly = true, the Y+U+V classes set it themselves.
template <class E> struct FourierEffectFactory
{
    template <class... V> static std::unique_ptr<FCImageEffect> Make(FFTW3Helper* helper, V... values)
    {
        if constexpr (std::is_constructible_v<E, FFTW3Helper*, V..., bool>)
            return std::make_unique<E>(helper, values..., true);
        else
            return std::make_unique<E>(helper, values...);
    }
};
