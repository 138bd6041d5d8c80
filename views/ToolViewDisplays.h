// What the tool views show, kept apart from the windows: the table of the fourteen tool views
// (command, name, context menu, whether the picture is kept between paints), the pictures they
// paint (one colour channel, one Y/U/V plane, the module or the phase of the spectrum of Y) and
// their window titles. Plain C++ over the image library.
#pragma once

#include "imagelib/FCObjImage.h"

#include <span>
#include <string>

class FCYUVPlanes;
class FFTW3Helper;

enum class ToolViewKind
{
    Red,
    RedAsGrey,
    Green,
    GreenAsGrey,
    Blue,
    BlueAsGrey,
    Y,
    U,
    UAsGrey,
    V,
    VAsGrey,
    FourierModule,
    FourierPhase,
    FourierModuleTool,
};

struct ToolViewInfo
{
    int command;
    ToolViewKind kind;
    const char* name;  // the view's name in its title
    int contextMenu;   // 236, or 237 for the Fourier tool view
    bool cacheDisplay; // the picture is built once per change of the document (the spectra)
};

// The fourteen tool views in the order of their menus.
std::span<const ToolViewInfo> ToolViewTable();
const ToolViewInfo* FindToolView(int command);
const ToolViewInfo& ToolViewInfoOf(ToolViewKind kind);

// The image the views work on: the document image itself at 24 or 32 bits, otherwise a copy
// converted to 24 bits (an 8-bit image is never read as if it had three bytes a pixel).
// `converted` receives the copy when one is needed; the result points at the image to read.
const FCObjImage& ToolViewSource(const FCObjImage& image, FCObjImage& converted);

// The picture of a channel or Y/U/V view: a copy of the image (24 bits for an 8-bit image, alpha
// kept at 32) whose blue, green and red are rewritten; the same bytes as the view's effect makes.
// planes: the image's Y/U/V planes (the document's cache), needed by the Y/U/V kinds; planes of
// another size are not used and the values are computed from the pixels. Empty image: empty.
FCObjImage BuildChannelDisplay(ToolViewKind kind, const FCObjImage& image, const FCYUVPlanes* planes);

// The logarithmic module of the centred spectrum of Y as grey: v = ln(m) x 255 / ln(max) -
// ln(min) (ln(1e-6) for a zero minimum or maximum), clamped. A spectrum whose largest module is
// at most 1 shows black, and so does an image the transform cannot take. y: the Y plane of the
// image (its width x height values).
FCObjImage BuildFourierModuleDisplay(const FCObjImage& image, const float* y, FFTW3Helper& helper);
// The phase of the centred spectrum of Y, its range [min(0, ..), max(0, ..)] spread over 0..255;
// a single phase value shows black.
FCObjImage BuildFourierPhaseDisplay(const FCObjImage& image, const float* y, FFTW3Helper& helper);

// "Outil <title> (a:b) - <name>" ("([])" in fit mode), then ":n" when the document has several
// views and "*" when it is modified; never the read-only mark.
std::wstring FormatToolViewTitle(const std::wstring& title, int zoom, const char* name, int viewCount,
                                 int viewNumber, bool modified);
