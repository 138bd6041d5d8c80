// Where the printed image goes on the page, as a pure function of the printer's figures, the
// page-setup margins, the image size and the "PrintMiseALEchelle" setting; the preview's title;
// and the image as it goes to paper (transparency over white).
#pragma once

#include "imagelib/FCObjImage.h"
#include "platform/WinTypes.h"

#include <QString>

#include <optional>

// The printer's figures in device pixels, with the drawing origin at the corner of the printable
// area: the whole sheet, the unprintable offset of that corner from the sheet's corner, and the
// printable size in whole millimetres.
struct DeviceMetrics
{
    int physicalWidth = 0;
    int physicalHeight = 0;
    int offsetX = 0;
    int offsetY = 0;
    int horzSizeMm = 0;
    int vertSizeMm = 0;
};

struct PrintTargetResult
{
    bool draw = false;          // false: nothing to draw (the page is still printed)
    bool pixelForPixel = false; // one image pixel per device pixel
    RECT rect{};                // in device pixels from the printable corner
};

// Margins in hundredths of a millimetre (left, top, right, bottom). scaleSetting 0 prints pixel
// for pixel at the offset when the image fits within the printable area less the offset on each
// side; otherwise (or for any other setting) the image fills the space between the margins,
// shrunk only, keeping its proportions, and centred there.
PrintTargetResult PrintTarget(const DeviceMetrics& device, const RECT& margins, int imageWidth,
                              int imageHeight, int scaleSetting);

// The frame's title while the preview is shown: "Aperçu : <document>" when the current title is
// not longer than the product's, "Aperçu" when it is (a maximised window adds its name); nothing
// (the title stays) without a document.
std::optional<QString> PrintPreviewTitle(const QString& currentTitle, const QString& productTitle,
                                         const std::optional<QString>& documentTitle);

// The image as paper shows it: an image with alpha becomes a 24-bit image with every colour
// weighted by its alpha over white; 8- and 24-bit images are copied as they are.
FCObjImage FlattenOverWhite(const FCObjImage& image);
