// The image commands whose dialogs are their own (colour balance, colour levels, noise, number of
// levels, rhombus and trapezium, Canny, custom kernels): from the values a dialog gives back to
// the effect the document applies. No windows here: the dialogs hold the values, these rules
// decide what they mean.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <array>
#include <memory>

// "Balance des couleurs": keep the luminosity or not, the tone range (0 shadows, 1 midtones,
// 2 highlights) and the three slider values, each -100..100.
struct ColorBalanceValues
{
    bool keepLuminosity = true;
    int toneRange = 1;
    int cyanRed = 0;
    int magentaGreen = 0;
    int yellowBlue = 0;
};
std::unique_ptr<FCImageEffect> MakeColorBalanceEffect(const ColorBalanceValues& values);

// "Niveaux de couleurs": input black and white, the gamma in hundredths (100 is gamma 1.00),
// output black and white, and the channel mask (7 all, 1 red, 2 green, 4 blue).
struct ColorLevelValues
{
    int inBlack = 0;
    int inWhite = 255;
    int gammaHundredths = 100;
    int outBlack = 0;
    int outWhite = 255;
    int channelMask = 7;
};
// The gamma the effect receives: hundredths x 0.01.
double LevelGammaOf(int gammaHundredths);
// The mask of the channel list's entry ("RVB", "Rouge", "Vert", "Bleu" give 7, 1, 2, 4); any
// other entry keeps the mask it is given.
int ChannelMaskOf(int channelIndex, int currentMask);
std::unique_ptr<FCImageEffect> MakeColorLevelEffect(const ColorLevelValues& values);

// "Bruiter": the amount is brought into 1..100.
int ClampNoiseAmount(int amount);
std::unique_ptr<FCImageEffect> MakeNoiseEffect(int amount, bool independentColours);

std::unique_ptr<FCImageEffect> MakeLevelCountEffect(int levels);

// "Losange..." and "Trapèze...": the two numbers typed and the direction chosen on each row
// ("Gauche" or "Droite" on the first, "Haut" or "Bas" on the second).
struct DistortValues
{
    int row1 = 0;
    int row2 = 0;
    bool left = true; // "Gauche"
    bool up = true;   // "Haut"
};
struct DistortParameters
{
    int first = 0;
    int second = 0;
};
// Rhombus: the bottom side moves by the first row's value, to the left for "Gauche"; the right
// side by the second row's, upwards for "Haut".
DistortParameters LosangeParameters(const DistortValues& values);
// Trapezium: the first parameter is the second row's value, negative for "Bas"; the second is the
// first row's value, negative for "Droite".
DistortParameters TrapezeParameters(const DistortValues& values);
std::unique_ptr<FCImageEffect> MakeLosangeEffect(const DistortValues& values);
std::unique_ptr<FCImageEffect> MakeTrapezeEffect(const DistortValues& values);

// "Opérateur de canny": the two check boxes.
std::unique_ptr<FCImageEffect> MakeCannyEffect(bool gauss5x5, bool removeNonMaxima);

// The custom kernels: a 5 x 5 grid row by row (the 3 x 3 kernel is its centre), the divisor and
// the offset as typed. Both dialogs start from the identity.
struct KernelValues
{
    std::array<int, 25> grid{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    int divisor = 1;
    int offset = 0;
};
// The centre of the grid (elements 6, 7, 8, 11, 12, 13, 16, 17, 18), row by row.
std::array<int, 9> PackCentre3x3(const std::array<int, 25>& grid);
// A divisor below 1 divides by 1.
int KernelDivisorOf(int divisor);
// size 5: the whole grid; size 3: its centre.
std::unique_ptr<FCImageEffect> MakeKernelEffect(const KernelValues& values, int size);
