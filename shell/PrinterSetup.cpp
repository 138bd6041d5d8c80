#include "shell/PrinterSetup.h"

#include <QPageLayout>
#include <QPrinter>

#include <algorithm>
#include <cmath>

void PrinterDeleter::operator()(QPrinter* printer) const
{
    delete printer;
}

PrinterPtr MakeDefaultPrinter()
{
    PrinterPtr printer(new QPrinter(QPrinter::HighResolution));
    printer->setFullPage(false);
    ResetToMinimumMargins(*printer);
    return printer;
}

DeviceMetrics MetricsOfPrinter(const QPrinter& printer)
{
    const QPageLayout layout = printer.pageLayout();
    const int res = printer.resolution();
    DeviceMetrics d;
    const QRect full = layout.fullRectPixels(res);
    d.physicalWidth = full.width();
    d.physicalHeight = full.height();
    // The unprintable strip is the printer's minimum margin, in device pixels.
    QPageLayout minimum = layout;
    minimum.setMargins(layout.minimumMargins());
    const QMargins offsets = minimum.marginsPixels(res);
    d.offsetX = offsets.left();
    d.offsetY = offsets.top();
    const QRectF printable = minimum.paintRect(QPageLayout::Millimeter);
    d.horzSizeMm = int(printable.width());
    d.vertSizeMm = int(printable.height());
    return d;
}

void PutMarginsOnPrinter(QPrinter& printer, const RECT& m)
{
    // In millimetres whatever the layout's own unit.
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QMarginsF min = layout.minimumMargins();
    const QMarginsF wanted(std::max(m.left / 100.0, min.left()), std::max(m.top / 100.0, min.top()),
                           std::max(m.right / 100.0, min.right()), std::max(m.bottom / 100.0, min.bottom()));
    // Margins that would leave no paper between them are not the printer's to hold.
    if (!layout.setMargins(wanted)) layout.setMargins(min);
    printer.setPageLayout(layout);
}

RECT MarginsOfPrinter(const QPrinter& printer)
{
    const QMarginsF m = printer.pageLayout().margins(QPageLayout::Millimeter);
    return RECT{LONG(std::lround(m.left() * 100)), LONG(std::lround(m.top() * 100)),
                LONG(std::lround(m.right() * 100)), LONG(std::lround(m.bottom() * 100))};
}

void ResetToMinimumMargins(QPrinter& printer)
{
    QPageLayout layout = printer.pageLayout();
    layout.setMargins(layout.minimumMargins());
    printer.setPageLayout(layout);
}
