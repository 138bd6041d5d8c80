// Printing from the main frame: the print job and its page, the preview in place of the window
// area, the page setup's margins, printing a PDF file, and the desktop's print command.
#include "ShellFixture.h"

#include "platform/qt/ShellVerbs.h"
#include "platform/qt/WindowMessages.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "shell/CConfigPropertyDlg.h"
#include "shell/PrintDialogs.h"
#include "shell/PropertyList.h"
#include "shell/PrinterSetup.h"
#include "views/CChildFrame.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QEventLoop>
#include <QImage>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <algorithm>

using testshell::FrameFixture;

namespace
{
// Answers the printing dialogs: the printer dialog prints to a PDF file, the page setup sets
// the margins and orientation a user would choose.
class ScriptedPrintDialogs : public IPrintDialogs
{
public:
    bool HasPrinters() override { return printers; }
    bool AskPrint(QWidget*, QPrinter& printer) override
    {
        ++printAsked;
        marginsShown = printer.pageLayout().margins(QPageLayout::Millimeter);
        if (!pdf.isEmpty()) printer.setOutputFileName(pdf);
        return printAnswer;
    }
    bool AskPageSetup(QWidget*, QPrinter& printer) override
    {
        ++setupAsked;
        marginsShown = printer.pageLayout().margins(QPageLayout::Millimeter);
        if (!setupAnswer) return false;
        QPageLayout layout = printer.pageLayout();
        layout.setUnits(QPageLayout::Millimeter);
        layout.setOrientation(orientation);
        layout.setMargins(newMargins);
        printer.setPageLayout(layout);
        return true;
    }
    bool printers = true;
    bool printAnswer = true;
    bool setupAnswer = true;
    QString pdf;
    QPageLayout::Orientation orientation = QPageLayout::Landscape;
    QMarginsF newMargins{20, 15, 20, 15};
    QMarginsF marginsShown;
    int printAsked = 0;
    int setupAsked = 0;
};

class RecordingVerbs : public IShellVerbs
{
public:
    bool Open(const QString&) override { return true; }
    bool Print(const QString& path) override
    {
        printed << path;
        return printAnswer;
    }
    bool Properties(const QString&, QWidget*) override { return true; }
    bool HasPrintingSystem() override { return spooler; }
    QStringList printed;
    bool spooler = true;
    bool printAnswer = true;
};

struct PrintFixture : FrameFixture
{
    PrintFixture()
    {
        previousDialogs = SetPrintDialogs(&print);
        previousVerbs = SetShellVerbs(&verbs);
        print.pdf = files.filePath(QStringLiteral("page.pdf"));
    }
    ~PrintFixture()
    {
        SetPrintDialogs(previousDialogs);
        SetShellVerbs(previousVerbs);
    }
    CImageDoc* Open(const QString& path)
    {
        if (!frame->OpenFile(path, false)) return nullptr;
        auto* child = dynamic_cast<CChildFrame*>(frame->MdiArea()->currentSubWindow());
        return child ? child->BitmapView().Document() : nullptr;
    }
    ScriptedPrintDialogs print;
    RecordingVerbs verbs;
    IPrintDialogs* previousDialogs = nullptr;
    IShellVerbs* previousVerbs = nullptr;
};

// Whether a modal loop can still run in this process: once a test has asked the application
// to quit (the frame's "Quitter"), every later event loop returns at once.
bool ModalLoopsRun()
{
    QEventLoop loop;
    bool ran = false;
    QTimer::singleShot(0, &loop,
                       [&]
                       {
                           ran = true;
                           loop.quit();
                       });
    loop.exec();
    return ran;
}

// The top-left corner of the page of a PDF (size x size pixels at most) as an image at dpi, or a
// null image when it cannot be had.
QImage RasterisePdf(const QString& pdf, int dpi, const QString& folder, int size = 2000)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (tool.isEmpty()) return {};
    const QString stem = folder + QStringLiteral("/raster");
    QProcess p;
    p.start(tool, {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-W"), QString::number(size),
                   QStringLiteral("-H"), QString::number(size), QStringLiteral("-png"),
                   QStringLiteral("-singlefile"), pdf, stem});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
    {
        ADD_FAILURE() << "pdftoppm: " << p.readAllStandardError().constData();
        return {};
    }
    return QImage(stem + QStringLiteral(".png"));
}

// The smallest rectangle holding every pixel at least half way from white to the image's red
// (the rasteriser softens the edges of an enlarged picture).
QRect InkBounds(const QImage& page)
{
    QRect r;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 160) r |= QRect(x, y, 1, 1);
    return r;
}

// An image file: red on top, fully transparent black below (at 32 bits), or all red.
QString MakeHalfClear(FrameFixture& f, const QString& name, int w, int h, int bpp)
{
    FCObjImage image = testimg::Flat(w, h, bpp, 0, 0, 220, 255);
    if (bpp == 32)
        for (int y = h / 2; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                BYTE* p = image.PixelAddress(x, y);
                p[0] = p[1] = p[2] = p[3] = 0;
            }
    const QString path = f.files.filePath(name);
    image.Save(path.toStdWString().c_str(), FCImageProperty());
    return path;
}
} // namespace

TEST(Print, PageZeroOfTheActiveImageOnly)
{
    PrintFixture f;
    QImage device(200, 300, QImage::Format_RGB32);
    device.fill(Qt::white);
    const DeviceMetrics metrics{200, 300, 0, 0, 200, 300}; // one pixel a millimetre
    {
        QPainter painter(&device);
        EXPECT_FALSE(f.frame->PrintPage(0, painter, metrics)) << "no active view";
    }
    ASSERT_TRUE(f.Open(MakeHalfClear(f, "red.png", 40, 20, 24)));
    QPainter painter(&device);
    EXPECT_FALSE(f.frame->PrintPage(1, painter, metrics));
    EXPECT_TRUE(f.frame->PrintPage(0, painter, metrics));
    painter.end();
    // 10 mm margins: 180 x 280 pixels between them, the image 180 x 90 centred there.
    EXPECT_EQ(InkBounds(device), QRect(10, 105, 180, 90));
    EXPECT_TRUE(f.frame->IsValidPage(0));
    EXPECT_FALSE(f.frame->IsValidPage(1));
}

TEST(Print, AJobWithoutAnImageIsAbortedAndWritesNoPage)
{
    PrintFixture f;
    QPrinter& printer = f.frame->Printer();
    printer.setOutputFileName(f.print.pdf);
    f.frame->RunPrintJob(printer);
    EXPECT_FALSE(QFile::exists(f.print.pdf)) << "an aborted job leaves no file";
    EXPECT_EQ(printer.docName(), QStringLiteral("Orvalis 5 Document"));
}

TEST(Print, FittedAndOneToOnePagesOfAPdfFile)
{
    PrintFixture f;
    // Red over the top half, transparent below: paper shows white there, never black.
    ASSERT_TRUE(f.Open(MakeHalfClear(f, "glass.png", 300, 200, 32)));
    f.frame->OnCommand(kCmdFilePrint);
    ASSERT_EQ(f.print.printAsked, 1);
    QPrinter& printer = f.frame->Printer();
    EXPECT_EQ(printer.docName(), QStringLiteral("Orvalis 5 Document"));
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    ASSERT_TRUE(QFile::exists(f.print.pdf));
    const int dpi = 72;
    const QImage page = RasterisePdf(f.print.pdf, dpi, f.files.path());
    if (page.isNull()) GTEST_SKIP() << "pdftoppm is not installed";

    // Where the geometry says, in the page's own pixels.
    const DeviceMetrics device = MetricsOfPrinter(printer);
    const PrintTargetResult target = PrintTarget(device, f.frame->PageMargins(), 300, 200, 1);
    ASSERT_TRUE(target.draw);
    const double k = double(dpi) / printer.resolution();
    const QRect ink = InkBounds(page);
    EXPECT_NEAR(ink.left(), (device.offsetX + target.rect.left) * k, 1.5);
    EXPECT_NEAR(ink.top(), (device.offsetY + target.rect.top) * k, 1.5);
    EXPECT_NEAR(ink.width(), (target.rect.right - target.rect.left) * k, 1.5);
    // Only the opaque half inks the paper.
    EXPECT_NEAR(ink.height(), (target.rect.bottom - target.rect.top) * k / 2, 1.5);
    const QRgb inside = page.pixel(ink.center().x(), ink.top() + ink.height() / 2);
    EXPECT_GT(qRed(inside), 180);
    EXPECT_LT(qGreen(inside), 60);
    const QRgb below = page.pixel(ink.center().x(), ink.bottom() + int(ink.height() / 2));
    EXPECT_EQ(qGray(below), 255) << "the transparent half is white paper";
    // The image fills the width between the 10 mm margins of the page.
    EXPECT_NEAR(ink.left(), page.width() * 10.0 / 210.0, 2.0);
    EXPECT_NEAR(page.width() - 1 - ink.right(), page.width() * 10.0 / 210.0, 2.0);

    // Pixel for pixel: 300 x 200 device pixels at the printable corner.
    SetPrintMiseALEchelle(0);
    QFile::remove(f.print.pdf);
    f.frame->OnCommand(kCmdFilePrint);
    const int fine = 600;
    const QImage exact = RasterisePdf(f.print.pdf, fine, f.files.path(), 400);
    ASSERT_FALSE(exact.isNull());
    const double kf = double(fine) / printer.resolution();
    const QRect dot = InkBounds(exact);
    EXPECT_NEAR(dot.left(), 2 * device.offsetX * kf, 1.5);
    EXPECT_NEAR(dot.top(), 2 * device.offsetY * kf, 1.5);
    EXPECT_NEAR(dot.width(), 300 * kf, 1.5);
    EXPECT_NEAR(dot.height(), 100 * kf, 1.5);
}

TEST(Print, NoPrinterAsksBeforeOfferingAFileAndCancelPrintsNothing)
{
    PrintFixture f;
    ASSERT_TRUE(f.Open(f.MakeImage("a.png", 30, 20)));
    f.print.printers = false;
    f.prompt.answers = {IDNO};
    f.frame->OnCommand(kCmdFilePrint);
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_TRUE(f.prompt.asked[0].text.startsWith(QStringLiteral("Aucune imprimante n'est installée")));
    EXPECT_EQ(f.print.printAsked, 0);
    EXPECT_FALSE(QFile::exists(f.print.pdf));

    f.prompt.answers = {IDYES};
    f.print.printAnswer = false; // the printer dialog cancelled
    f.frame->OnCommand(kCmdPreviewPrint);
    EXPECT_EQ(f.print.printAsked, 1);
    EXPECT_FALSE(QFile::exists(f.print.pdf));
}

TEST(Print, PageSetupKeepsItsMarginsApartFromThePrinter)
{
    PrintFixture f;
    ASSERT_TRUE(f.Open(f.MakeImage("a.png", 30, 20)));
    f.frame->OnCommand(kCmdFilePageSetup);
    ASSERT_EQ(f.print.setupAsked, 1);
    // The dialog shows the kept margins: 10 mm each to begin with.
    EXPECT_NEAR(f.print.marginsShown.left(), 10.0, 0.01);
    EXPECT_NEAR(f.print.marginsShown.bottom(), 10.0, 0.01);
    const RECT m = f.frame->PageMargins();
    EXPECT_EQ(m.left, 2000);
    EXPECT_EQ(m.top, 1500);
    EXPECT_EQ(m.right, 2000);
    EXPECT_EQ(m.bottom, 1500);
    // The printer itself is back at its minimum margins: drawing starts at the printable
    // corner, and the margins are applied once, by the page geometry.
    QPrinter& printer = f.frame->Printer();
    const QPageLayout layout = printer.pageLayout();
    EXPECT_EQ(layout.margins(), layout.minimumMargins());
    EXPECT_EQ(layout.orientation(), QPageLayout::Landscape);

    // Cancel keeps everything; the next dialog shows the margins chosen before.
    f.print.setupAnswer = false;
    f.frame->OnCommand(kCmdFilePageSetup);
    EXPECT_NEAR(f.print.marginsShown.left(), 20.0, 0.01);
    EXPECT_NEAR(f.print.marginsShown.top(), 15.0, 0.01);
    EXPECT_EQ(f.frame->PageMargins().left, 2000);
    EXPECT_EQ(printer.pageLayout().margins(), printer.pageLayout().minimumMargins());
}

TEST(Print, PreviewTakesTheWindowAreaAndSwapsTheBars)
{
    PrintFixture f;
    CImageDoc* doc = f.Open(f.MakeImage("photo.png", 60, 40));
    ASSERT_TRUE(doc);
    const QString product = QStringLiteral("Orvalis 5");
    f.frame->MdiArea()->currentSubWindow()->showNormal();
    f.frame->setWindowTitle(product);
    auto* stack = qobject_cast<QStackedWidget*>(f.frame->centralWidget());
    ASSERT_NE(stack, nullptr);

    f.frame->OnCommand(kCmdFilePrintPreview);
    ASSERT_TRUE(f.frame->IsPrintPreviewShown());
    ASSERT_NE(f.frame->PrintPreview(), nullptr);
    EXPECT_EQ(stack->currentWidget(), f.frame->PrintPreview());
    EXPECT_TRUE(f.frame->MainToolBar()->isHidden());
    EXPECT_FALSE(f.frame->PreviewToolBar()->isHidden());
    EXPECT_EQ(f.frame->windowTitle(), QStringLiteral("Aperçu : photo.png"));
    f.frame->UpdateUIState();
    EXPECT_TRUE(f.frame->Actions().Find(kCmdFilePrintPreview)->isChecked());
    QStringList tips;
    for (QAction* a : f.frame->PreviewToolBar()->actions())
        tips << a->toolTip();
    EXPECT_EQ(tips, (QStringList{QStringLiteral("Imprimer"), QStringLiteral("Configuration de l'impression"),
                                 QStringLiteral("Imprimer (Windows)"), QStringLiteral("Fermer l'aperçu")}));

    // The close button of the preview's bar: the window area, the bars and the title come back.
    f.frame->OnCommand(kCmdPreviewClose);
    EXPECT_FALSE(f.frame->IsPrintPreviewShown());
    EXPECT_EQ(f.frame->PrintPreview(), nullptr);
    EXPECT_EQ(stack->currentWidget(), f.frame->MdiArea());
    EXPECT_FALSE(f.frame->MainToolBar()->isHidden());
    EXPECT_TRUE(f.frame->PreviewToolBar()->isHidden());
    EXPECT_EQ(f.frame->windowTitle(), product);
    EXPECT_EQ(f.frame->GetActiveView()->Document(), doc) << "the image window is still the active one";

    // With the toolbar turned off, leaving the preview leaves it off.
    f.frame->OnCommand(kCmdViewToolBar);
    f.frame->OnCommand(kCmdFilePrintPreview);
    f.frame->OnCommand(kCmdFilePrintPreview); // the same command leaves it
    EXPECT_FALSE(f.frame->IsPrintPreviewShown());
    EXPECT_TRUE(f.frame->MainToolBar()->isHidden());
    EXPECT_TRUE(f.frame->PreviewToolBar()->isHidden());

    // A maximised window lengthens the frame's title: the preview is then just "Aperçu".
    f.frame->setWindowTitle(product + QStringLiteral(" - [photo.png]"));
    f.frame->OnCommand(kCmdFilePrintPreview);
    EXPECT_EQ(f.frame->windowTitle(), QStringLiteral("Aperçu"));
    // A frame command that opens something closes the preview first.
    f.frame->OnCommand(kCmdWindowCascade);
    EXPECT_FALSE(f.frame->IsPrintPreviewShown());
}

TEST(Print, PreviewWithoutADocumentKeepsTheTitleAndDrawsNothing)
{
    PrintFixture f;
    const QString title = f.frame->windowTitle();
    f.frame->OnFilePrintPreview();
    ASSERT_TRUE(f.frame->IsPrintPreviewShown());
    EXPECT_EQ(f.frame->windowTitle(), title);
    f.frame->ClosePrintPreview();
}

TEST(Print, PreviewIsDrawnAgainOnSettingsChangeAndOnPageSetup)
{
    PrintFixture f;
    ASSERT_TRUE(f.Open(f.MakeImage("a.png", 30, 20)));
    f.frame->OnCommand(kCmdFilePrintPreview);
    QPrintPreviewWidget* preview = f.frame->PrintPreview();
    ASSERT_NE(preview, nullptr);
    int paints = 0;
    QObject::connect(preview, &QPrintPreviewWidget::paintRequested, [&paints] { ++paints; });
    PostImageMessage(f.frame.get(), WM_SETTINGS_CHANGED, 0, 0);
    f.Settle();
    EXPECT_EQ(paints, 1);
    // The preview's configuration button: the settings with only printing open, then drawn again.
    if (ModalLoopsRun())
    {
        bool printingOnly = false;
        QTimer::singleShot(10,
                           [&printingOnly]
                           {
                               auto* d = qobject_cast<CConfigPropertyDlg*>(QApplication::activeModalWidget());
                               if (!d) return;
                               printingOnly = !d->m_catThreads->IsExpanded() &&
                                              !d->m_catTwain->IsExpanded() && !d->m_catJpeg->IsExpanded() &&
                                              !d->m_catExif->IsExpanded() && d->m_catPrint->IsExpanded();
                               d->reject();
                           });
        f.frame->OnCommand(kCmdPreviewConfiguration);
        EXPECT_TRUE(printingOnly);
        EXPECT_EQ(paints, 2);
    }

    // Page setup while the preview is shown: a new preview of the new paper.
    f.frame->OnCommand(kCmdFilePageSetup);
    ASSERT_NE(f.frame->PrintPreview(), nullptr);
    EXPECT_TRUE(f.frame->IsPrintPreviewShown());
    EXPECT_EQ(f.frame->PrintPreview()->orientation(), QPageLayout::Landscape);
    EXPECT_EQ(qobject_cast<QStackedWidget*>(f.frame->centralWidget())->currentWidget(),
              f.frame->PrintPreview());

    // Hidden, the settings message draws nothing.
    f.frame->ClosePrintPreview();
    PostImageMessage(f.frame.get(), WM_SETTINGS_CHANGED, 0, 0);
    f.Settle();
    EXPECT_FALSE(f.frame->IsPrintPreviewShown());
}

TEST(Print, ThroughTheDesktopsPrintCommand)
{
    PrintFixture f;
    // An image never saved, and "Non": nothing can be printed.
    f.dialogs.newImage = NewImageChoice{20, 10, 24};
    f.frame->OnCommand(kCmdFileNew);
    f.prompt.answers = {IDNO};
    f.frame->OnCommand(kCmdPrintWithShell);
    ASSERT_EQ(f.prompt.asked.size(), 2u);
    const QString untitled = QString::fromStdWString(f.frame->GetActiveView()->Document()->GetTitle());
    EXPECT_TRUE(untitled.startsWith(QStringLiteral("Image"))) << untitled.toStdString();
    EXPECT_EQ(f.prompt.asked[0].text, QStringLiteral("Sauver %1 ?").arg(untitled));
    EXPECT_EQ(f.prompt.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(f.prompt.asked[0].caption, QStringLiteral("Orvalis 5"));
    EXPECT_EQ(f.prompt.asked[1].text, QStringLiteral("Fichier non enregistré : impression impossible"));
    EXPECT_TRUE(f.verbs.printed.isEmpty());

    // A modified file: asked, saved on "Oui", then given to the print command.
    f.prompt.asked.clear();
    const QString path = f.MakeImage("photo.png", 30, 20);
    CImageDoc* doc = f.Open(path);
    ASSERT_TRUE(doc);
    doc->OnCommand(kCmdConvert32);
    ASSERT_TRUE(doc->IsModified());
    f.prompt.answers = {IDYES};
    f.frame->OnCommand(kCmdPreviewPrintWithShell);
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.prompt.asked[0].text, QStringLiteral("Sauver photo.png ?"));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(f.verbs.printed, QStringList{path});

    // Saved and unchanged: printed at once.
    f.prompt.asked.clear();
    f.frame->OnCommand(kCmdPrintWithShell);
    EXPECT_TRUE(f.prompt.asked.empty());
    EXPECT_EQ(f.verbs.printed.size(), 2);

    // The spooler refuses: said so.
    f.verbs.printAnswer = false;
    f.frame->OnCommand(kCmdPrintWithShell);
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.prompt.asked[0].text, QStringLiteral("Impossible d'imprimer :\n") + path);

    // No printing system at all: one message, nothing asked, nothing saved, nothing printed.
    f.prompt.asked.clear();
    f.verbs.spooler = false;
    doc->OnCommand(kCmdConvert24);
    ASSERT_TRUE(doc->IsModified());
    f.frame->OnCommand(kCmdPrintWithShell);
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.prompt.asked[0].text,
              QStringLiteral("Aucun système d'impression n'est disponible : impression impossible."));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(f.verbs.printed.size(), 3);
}

TEST(Print, DesktopPrintCommandWithoutASpooler)
{
    // The real verbs on this machine: with no spooler running, nothing is sent.
    IShellVerbs& desktop = ShellVerbs();
    if (desktop.HasPrintingSystem()) GTEST_SKIP() << "a print spooler is running here";
    FrameFixture f(false);
    const QString path = f.MakeImage("a.png", 4, 4);
    EXPECT_FALSE(desktop.Print(path));
}

TEST(Print, TheImageWindowStaysActiveWhileThePreviewHidesIt)
{
    PrintFixture f;
    CImageDoc* doc = f.Open(f.MakeImage("a.png", 30, 20));
    ASSERT_TRUE(doc);
    QMdiSubWindow* window = f.frame->MdiArea()->currentSubWindow();
    // An active frame: hiding the window area makes it forget its active window.
    QApplication::setActiveWindow(f.frame.get());
    f.Settle();
    f.frame->OnCommand(kCmdFilePrintPreview);
    f.Settle();
    ASSERT_NE(f.frame->GetActiveView(), nullptr);
    EXPECT_EQ(f.frame->GetActiveView()->Document(), doc);
    QImage page(100, 100, QImage::Format_RGB32);
    QPainter painter(&page);
    EXPECT_TRUE(f.frame->PrintPage(0, painter, DeviceMetrics{100, 100, 0, 0, 100, 100}));
    painter.end();
    f.frame->UpdateUIState();
    EXPECT_TRUE(f.frame->Actions().Find(kCmdFilePrint)->isEnabled());
    f.frame->OnCommand(kCmdPreviewPrintWithShell);
    EXPECT_EQ(f.verbs.printed.size(), 1);
    // Back from the preview, the window is the area's active one again.
    f.frame->OnCommand(kCmdPreviewClose);
    f.Settle();
    EXPECT_EQ(f.frame->MdiArea()->currentSubWindow(), window);
}

TEST(Print, TheCommandsInTheMenusTheBarAndTheKeys)
{
    PrintFixture f;
    auto texts = [](int menu)
    {
        QStringList out;
        for (const MenuEntry& e : MenuResource(menu).front().children)
            if (e.id != 0) out << QString::fromUtf8(e.text);
        return out;
    };
    const QStringList file129 = texts(kResImageFrame);
    for (const char* item : {"Im&primer...\tCtrl+P", "Aperçu avant impression", "Configuration impression...",
                             "Imprimer (Windows)..."})
        EXPECT_TRUE(file129.contains(QString::fromUtf8(item))) << item;
    // Without a window only the page setup has a use.
    const QStringList file128 = texts(kResMainFrame);
    EXPECT_TRUE(file128.contains(QStringLiteral("Configuration impression...")));
    EXPECT_FALSE(file128.contains(QStringLiteral("Im&primer...\tCtrl+P")));

    // Toolbar 128: preview, then print, between separators after the clipboard buttons.
    std::vector<int> bar;
    for (const ToolBarButton& b : ToolBarResource(kResMainFrame))
        bar.push_back(b.id);
    const auto paste = std::find(bar.begin(), bar.end(), int(kCmdEditPaste));
    ASSERT_GE(std::distance(paste, bar.end()), 5);
    EXPECT_EQ(std::vector<int>(paste, paste + 5),
              (std::vector<int>{kCmdEditPaste, 0, kCmdFilePrintPreview, kCmdFilePrint, 0}));

    // Ctrl+P prints, but only while a window is there to print.
    EXPECT_FALSE(f.frame->OnAccelerator(Qt::Key_P, Qt::ControlModifier));
    EXPECT_EQ(f.print.printAsked, 0);
    ASSERT_TRUE(f.Open(f.MakeImage("a.png", 30, 20)));
    EXPECT_TRUE(f.frame->OnAccelerator(Qt::Key_P, Qt::ControlModifier));
    EXPECT_EQ(f.print.printAsked, 1);
}
