// Printing the active image on one page, its preview in place of the window area, the page setup
// and printing the saved file through the desktop's print command.
#include "shell/CMainFrame.h"

#include "document/CImageDoc.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "platform/qt/Prompt.h"
#include "platform/qt/ShellVerbs.h"
#include "platform/settings/Settings.h"
#include "shell/CConfigPropertyDlg.h"
#include "shell/PrintDialogs.h"
#include "shell/PrinterSetup.h"
#include "views/CBitmapViewBase.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QStackedWidget>
#include <QToolBar>

namespace
{
QWidget* DialogOwner(QWidget* frame)
{
    QWidget* active = QApplication::activeWindow();
    return active ? active : frame;
}
} // namespace

QPrinter& CMainFrame::Printer()
{
    if (!m_printer) m_printer = MakeDefaultPrinter();
    return *m_printer;
}

bool CMainFrame::PrintPage(int page, QPainter& painter, const DeviceMetrics& device)
{
    if (!IsValidPage(page)) return false;
    CBitmapViewBase* view = GetActiveView();
    CImageDoc* doc = view ? view->Document() : nullptr;
    if (!doc) return false;
    const FCObjImage& image = doc->GetImage();
    const PrintTargetResult target =
        PrintTarget(device, m_margins, image.Width(), image.Height(), GetPrintMiseALEchelle());
    if (!target.draw) return true;
    // Paper is white: what is transparent shows it.
    if (image.ColorBits() == 32)
        DrawToDC(FlattenOverWhite(image), painter, target.rect);
    else
        DrawToDC(image, painter, target.rect);
    return true;
}

void CMainFrame::RunPrintJob(QPrinter& printer)
{
    printer.setDocName(QStringLiteral("Orvalis 5 Document"));
    // Printing to a file makes a PDF.
    if (!printer.outputFileName().isEmpty() && printer.outputFormat() != QPrinter::PdfFormat)
        printer.setOutputFormat(QPrinter::PdfFormat);
    QPainter painter;
    if (!painter.begin(&printer)) return; // no device: the job ends without a word
    const DeviceMetrics device = MetricsOfPrinter(printer);
    // A printer that cannot make copies itself is given each one as a page.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    bool aborted = false;
    for (int copy = 0; copy < copies; ++copy)
    {
        if (copy > 0) printer.newPage();
        painter.save();
        const bool drawn = PrintPage(0, painter, device);
        painter.restore();
        if (!drawn)
        {
            printer.abort();
            aborted = true;
            break;
        }
    }
    painter.end();
    // An aborted job prints nothing: no file of a blank page is left behind either.
    if (aborted && !printer.outputFileName().isEmpty()) QFile::remove(printer.outputFileName());
}

void CMainFrame::OnFilePrint()
{
    QWidget* owner = DialogOwner(this);
    if (!PrintDialogs().HasPrinters() &&
        ShowPrompt(owner,
                   QStringLiteral("Aucune imprimante n'est installée : l'image ne peut être imprimée "
                                  "que dans un fichier PDF.\nImprimer dans un fichier ?"),
                   m_productTitle, PromptButtons::YesNo, PromptIcon::Question) != IDYES)
        return;
    QPrinter& printer = Printer();
    PutMarginsOnPrinter(printer, m_margins);
    const bool accepted = PrintDialogs().AskPrint(owner, printer);
    // Margins chosen within the printer dialog are the page setup's too.
    if (accepted) m_margins = MarginsOfPrinter(printer);
    ResetToMinimumMargins(printer);
    if (accepted) RunPrintJob(printer);
}

void CMainFrame::OnFilePageSetup()
{
    QPrinter& printer = Printer();
    PutMarginsOnPrinter(printer, m_margins);
    const bool accepted = PrintDialogs().AskPageSetup(DialogOwner(this), printer);
    if (accepted) m_margins = MarginsOfPrinter(printer);
    ResetToMinimumMargins(printer);
    if (accepted && m_previewShown) ShowPreviewWidget();
}

void CMainFrame::ShowPreviewWidget()
{
    if (m_preview)
    {
        m_clientStack->removeWidget(m_preview);
        delete m_preview;
    }
    m_preview = new QPrintPreviewWidget(&Printer(), m_clientStack);
    m_preview->setObjectName(QStringLiteral("printPreview"));
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* printer)
            {
                QPainter painter(printer);
                painter.save();
                PrintPage(0, painter, MetricsOfPrinter(*printer));
                painter.restore();
            });
    m_clientStack->addWidget(m_preview);
    m_clientStack->setCurrentWidget(m_preview);
}

void CMainFrame::OnFilePrintPreview()
{
    if (m_previewShown)
    {
        ClosePrintPreview();
        return;
    }
    CBitmapViewBase* view = GetActiveView();
    CImageDoc* doc = view ? view->Document() : nullptr;
    const std::optional<QString> documentTitle =
        doc ? std::optional<QString>(QString::fromStdWString(doc->GetTitle())) : std::nullopt;
    const std::optional<QString> title = PrintPreviewTitle(windowTitle(), m_productTitle, documentTitle);
    ShowPreviewWidget();
    m_previewShown = true;
    m_toolBar->hide();
    m_previewBar->show();
    if (title) setWindowTitle(*title);
    UpdateUIState();
}

void CMainFrame::ClosePrintPreview()
{
    // Nothing to leave while the preview is not shown.
    if (!m_previewShown) return;
    m_clientStack->setCurrentWidget(m_mdi);
    // The image window that was active is again, with the keyboard.
    if (IChildFrame* child = ActiveChild()) m_mdi->setActiveSubWindow(dynamic_cast<QMdiSubWindow*>(child));
    m_clientStack->removeWidget(m_preview);
    delete m_preview;
    m_preview = nullptr;
    m_previewShown = false;
    m_toolBar->setVisible(m_toolBarShown);
    m_previewBar->hide();
    setWindowTitle(m_productTitle);
    UpdateUIState();
}

void CMainFrame::OnSettingsChanged()
{
    if (m_previewShown && m_preview) m_preview->updatePreview();
}

void CMainFrame::OnPreviewConfiguration()
{
    RunConfigPropertyDlg(1, DialogOwner(this));
    OnSettingsChanged();
}

void CMainFrame::OnPrintWithWindows()
{
    CBitmapViewBase* view = GetActiveView();
    CImageDoc* doc = view ? view->Document() : nullptr;
    if (!doc) return;
    // Without a printing system nothing is asked and nothing is saved.
    if (!ShellVerbs().HasPrintingSystem())
    {
        ShowPrompt(this,
                   QStringLiteral("Aucun système d'impression n'est disponible : impression impossible."),
                   m_productTitle, PromptButtons::Ok, PromptIcon::Warning);
        return;
    }
    if (doc->IsModified() || doc->GetPath().empty())
    {
        const QString question = QStringLiteral("Sauver %1 ?").arg(QString::fromStdWString(doc->GetTitle()));
        if (ShowPrompt(this, question, m_productTitle, PromptButtons::YesNo, PromptIcon::Question) == IDYES)
            doc->OnFileSave();
    }
    if (doc->GetPath().empty())
    {
        ShowPrompt(this, QStringLiteral("Fichier non enregistré : impression impossible"), m_productTitle,
                   PromptButtons::Ok);
        return;
    }
    const QString path = QString::fromStdWString(doc->GetPath());
    if (!ShellVerbs().Print(path))
        ShowPrompt(this, QStringLiteral("Impossible d'imprimer :\n") + path, m_productTitle,
                   PromptButtons::Ok, PromptIcon::Error);
}
