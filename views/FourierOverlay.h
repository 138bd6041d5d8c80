// The filter window that the Fourier tool view draws over the spectrum while a filter dialog is
// open, as a plain model: which figures are filled, in which colour, with what cut out, for each
// filter command and its slider values. The view paints the model; tests read it directly.
//
// The red area is always what the filter keeps: the window of a low-pass, the image outside it
// for a high-pass, the band between two windows for a band-pass, the inner window and the outside
// of the outer one for a band-stop; the Gaussian shows three nested, fainter ellipses.
#pragma once

#include <cstdint>
#include <vector>

struct OverlayRect
{
    int x, y, width, height;
    bool operator==(const OverlayRect&) const = default;
};

// Where the spectrum lies in the window: the image size, the zoom (1/256 units, 0 to fit), the
// fitted width in fit mode and the scroll position.
struct OverlayGeometry
{
    int imageWidth = 0;
    int imageHeight = 0;
    int zoom = 256;
    int fitWidth = 0;
    int scrollX = 0;
    int scrollY = 0;
};

// The image rectangle from (w/2 - a, h/2 - b) to (w/2 + a, h/2 + b) in window coordinates: each
// corner times zoom / 256 (fit mode: times fitted width / image width, for both axes), truncated,
// less the scroll position. Corners are held to +-2^28 so that drawing never overflows.
OverlayRect GetOverlayRect(const OverlayGeometry& g, int a, int b);

enum class OverlayFigureKind
{
    Rectangle,
    Ellipse, // inscribed in the rectangle
};

struct OverlayFigure
{
    OverlayFigureKind kind;
    OverlayRect rect;
    bool operator==(const OverlayFigure&) const = default;
};

// One fill: the figures make one region with the odd-even rule (the area covered an odd number
// of times: a ring, the image less a disc), less the rectangle `exclude` when there is one.
struct OverlayFill
{
    std::uint32_t argb;
    std::vector<OverlayFigure> figures;
    bool hasExclude = false;
    OverlayRect exclude{};
    bool operator==(const OverlayFill&) const = default;
};

struct OverlayPlan
{
    bool clipToImage = false;       // the Gaussian's ellipses are cut to the image
    OverlayRect image{};            // the whole image, R(w/2, h/2)
    std::vector<OverlayFill> fills; // painted in order, each over the previous
};

constexpr std::uint32_t kOverlayColour = 0x40B40000u;       // alpha 64, red 180
constexpr std::uint32_t kOverlayColourMiddle = 0x20B40000u; // the Gaussian's second ellipse
constexpr std::uint32_t kOverlayColourOuter = 0x10B40000u;  // and its third

// The window of the filter `mode` (a filter command id; 0 or any other id draws nothing) with the
// slider values s1, s2, s3. Band filters whose maximum is below their minimum draw nothing; the
// inner rectangle of the rectangle bands never has a negative half-size (as the filter, which
// clamps it at 0). The Gaussian's radius is ((m/2) x 20) / max(s1, 1), s1 its slider position.
OverlayPlan FourierOverlayPlan(int mode, int s1, int s2, int s3, const OverlayGeometry& g);
