// The printer as the frame keeps it: drawing starts at the corner of the printable area (the
// printer's margins always at their minimum), and the page-setup margins are kept apart, in
// hundredths of a millimetre, and applied by the page geometry.
#pragma once

#include "platform/WinTypes.h"
#include "shell/PrintGeometry.h"

#include <memory>

class QPrinter;

struct PrinterDeleter
{
    void operator()(QPrinter* printer) const;
};
using PrinterPtr = std::unique_ptr<QPrinter, PrinterDeleter>;

// The default printer at high resolution, its margins at the minimum.
PrinterPtr MakeDefaultPrinter();

// The printer's figures with its current page layout.
DeviceMetrics MetricsOfPrinter(const QPrinter& printer);

// Puts margins (hundredths of a millimetre; raised to the printer's minimum where below it) on
// the printer, so that a dialog shows them.
void PutMarginsOnPrinter(QPrinter& printer, const RECT& margins);
// The printer's margins in hundredths of a millimetre.
RECT MarginsOfPrinter(const QPrinter& printer);
// Back to the printer's minimum margins: the drawing origin is the printable corner again.
void ResetToMinimumMargins(QPrinter& printer);
