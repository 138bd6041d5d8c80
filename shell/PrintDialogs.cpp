#include "shell/PrintDialogs.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace
{
class RealPrintDialogs : public IPrintDialogs
{
public:
    bool HasPrinters() override { return !QPrinterInfo::availablePrinterNames().isEmpty(); }

    bool AskPrint(QWidget* parent, QPrinter& printer) override
    {
        QPrintDialog dialog(&printer, parent);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        dialog.setPrintRange(QAbstractPrintDialog::AllPages);
        dialog.setMinMax(1, 1);
        return dialog.exec() == QDialog::Accepted;
    }

    bool AskPageSetup(QWidget* parent, QPrinter& printer) override
    {
        QPageSetupDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }
};

RealPrintDialogs g_real;
IPrintDialogs* g_dialogs = nullptr;
} // namespace

IPrintDialogs& PrintDialogs()
{
    return g_dialogs ? *g_dialogs : g_real;
}

IPrintDialogs* SetPrintDialogs(IPrintDialogs* dialogs)
{
    IPrintDialogs* previous = g_dialogs;
    g_dialogs = dialogs;
    return previous;
}
