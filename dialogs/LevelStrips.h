// The two strips of the colour levels dialog as plain arithmetic, apart from any window: where a
// level's arrow stands on a strip of given left and right edges (right exclusive), which level
// lies under a point, where the gamma arrow stands, which arrow a click takes, how a dragged
// arrow moves, and the four histogram pictures the input strip shows.
#pragma once

#include "imagelib/FCObjImage.h"

#include <array>

namespace levels
{
enum Arrow : int
{
    kBlack = 0,
    kWhite = 1,
    kGamma = 2,
};

// The scale runs from x0 = left + 8 over s = (right - 8) - x0 pixels; level L stands at
// x0 + L x s / 255 (truncated).
int ArrowX(int level, int left, int right);
// The level under x: (x - x0) x 255 / (r - x0) with r = right - 8 (x0 + 1 for a strip whose scale
// is empty), truncated and brought into 0..255.
int LevelUnderX(int x, int left, int right);
// The gamma arrow between the black arrow pb and the white arrow pw, for a gamma in hundredths:
// the midpoint for 100, pb for 1000, pw for 10.
int GammaX(int pb, int pw, int gammaHundredths);
// The gamma in hundredths (10..999) of the gamma arrow dragged to x: 999 at pb, 100 at the
// midpoint, 10 at pw and beyond.
int GammaUnderX(int x, int pb, int pw);

// The arrow a click at x takes on the input strip: gamma when at least as near as both ends,
// else black when at least as near as white, else white.
int InputHitTest(int x, int pb, int pw, int pg);
// On the output strip: white only when strictly nearer, else black.
int OutputHitTest(int x, int pb, int pw);

struct InputLevels
{
    int black = 0;
    int white = 255;
    int gamma = 100; // hundredths
    bool operator==(const InputLevels&) const = default;
};
struct OutputLevels
{
    int black = 0;
    int white = 255;
    bool operator==(const OutputLevels&) const = default;
};

// Moves an arrow of the input strip to x: black stays at least 5 levels below white, white at
// least 5 above black, the gamma within 0.10..9.99. True when a level or the gamma changed.
bool MoveInputArrow(InputLevels& levels, int arrow, int x, int left, int right);
// Moves an arrow of the output strip to x; black and white may cross (the output inverts).
bool MoveOutputArrow(OutputLevels& levels, int arrow, int x, int left, int right);

// The histogram pictures, 256 x 100 at 24 bits, indexed like the channel list: 0 all channels in
// black, 1 red, 2 green, 3 blue. All three channels share one scale, the largest bin of any of
// them 100 pixels high; each level's bar rises from the bottom row. White pictures for an image
// without pixels or one the counting refuses.
using Histograms = std::array<FCObjImage, 4>;
Histograms BuildHistograms(const FCObjImage& image);
} // namespace levels
