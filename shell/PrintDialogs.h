// The printing dialogs behind one interface: the printer and page-setup dialogs, and whether the
// printing system knows any printer. The real ones by default; tests answer in their place.
#pragma once

class QPrinter;
class QWidget;

class IPrintDialogs
{
public:
    virtual ~IPrintDialogs() = default;
    // Whether the printing system offers at least one printer (a file can always be printed).
    virtual bool HasPrinters() = 0;
    // The printer dialog on printer (one page, copies and collation, printing to a file allowed);
    // true on OK, the printer then set as chosen.
    virtual bool AskPrint(QWidget* parent, QPrinter& printer) = 0;
    // The page-setup dialog (paper, orientation, margins) on printer; true on OK.
    virtual bool AskPageSetup(QWidget* parent, QPrinter& printer) = 0;
};

IPrintDialogs& PrintDialogs();
// Installs dialogs in place of the real ones; null puts the real ones back. Returns the previous.
IPrintDialogs* SetPrintDialogs(IPrintDialogs* dialogs);
