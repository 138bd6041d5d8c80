// Command ids of the menus, toolbars and accelerators: the one table that the document and the
// windows share, so it uses nothing (no Qt). The numbers are the program's own and stay as they
// are: settings, tables and tests refer to them.
#pragma once

enum : int
{
    // File
    kCmdFileNew = 57600,
    kCmdFileOpen = 57601,
    kCmdFileClose = 57602,
    kCmdFileSave = 57603,
    kCmdFileSaveAs = 57604,
    kCmdFilePageSetup = 57605,
    kCmdFilePrint = 57607,
    kCmdFilePrintPreview = 57609,
    kCmdFileMruFirst = 57616,
    kCmdFileMruLast = 57631,
    kCmdAppExit = 57665,
    kCmdAppAbout = 57664,
    kCmdContextHelp = 57669,
    kCmdFileInfo = 32784,
    kCmdNewFromClipboard = 32776,
    kCmdEmptyClipboard = 32777,
    kCmdTwainSelectSource = 32778,
    kCmdTwainAcquire = 32779,
    kCmdWiaAcquire = 32775,
    kCmdClearMru = 33060,
    kCmdPrintWithShell = 33056,
    kCmdConfiguration = 33001,
    // Preview toolbar
    kCmdPreviewClose = 33053,
    kCmdPreviewPrint = 33054,
    kCmdPreviewPrintWithShell = 33057,
    kCmdPreviewConfiguration = 33059,
    // Edit
    kCmdEditClear = 57632,
    kCmdEditCopy = 57634,
    kCmdEditCut = 57635,
    kCmdEditPaste = 57637,
    kCmdEditSelectAll = 57642,
    kCmdEditUndo = 57643,
    kCmdEditRedo = 57644,
    kCmdSelectNone = 33015,
    kCmdNewView = 32920,
    // Image commands with a dialog of the shell
    kCmdRotateFree = 32922,
    kCmdResize = 32923,
    // Whole-image edits of the document
    kCmdAlphaOpaque = 32905,
    kCmdConvert24 = 32906,
    kCmdConvert32 = 32908,
    // Zoom
    kCmdZoomAuto = 32780,
    kCmdZoomOut = 32781,
    kCmdZoomIn = 32782,
    kCmdZoom1 = 32786,
    kCmdZoom2 = 32787,
    kCmdZoom4 = 32788,
    kCmdZoom8 = 32789,
    kCmdZoom16 = 32790,
    kCmdZoom1_16 = 32791,
    kCmdZoom1_8 = 32792,
    kCmdZoom1_4 = 32793,
    kCmdZoom1_2 = 32794,
    // View and window
    kCmdViewToolBar = 59392,
    kCmdViewStatusBar = 59393,
    kCmdWindowArrange = 57649,
    kCmdWindowCascade = 57650,
    kCmdWindowTileHorz = 57651,
    kCmdWindowTileVert = 57652,
    kCmdNextPane = 57680,
    kCmdPrevPane = 57681,
    kCmdWindowFirstChild = 0xFF00,
    // Paste window
    kCmdPasteHere = 33021,
    kCmdPasteCancel = 33023,
    kCmdPasteAnd = 33035,
    kCmdPasteOr = 33037,
    kCmdPasteXor = 33038,
    kCmdPasteXorOffset = 33039,
    kCmdPasteMin = 33040,
    kCmdPasteMax = 33041,
    kCmdPasteAverage = 33042,
    kCmdPasteDifference = 33043,
    kCmdPasteAbsDifference = 33044,
    kCmdPasteDifferenceOffset = 33045,
    // Tool views
    kCmdApplyTransform = 33083,
    // Fourier filters on the luminance
    kCmdFourierCarre = 33088,
    kCmdFourierRect = 33089,
    kCmdFourierCirculaire = 33090,
    kCmdFourierCarrePasseBande = 33091,
    kCmdFourierCirculairePasseBande = 33092,
    kCmdFourierGaussien = 33093,
    kCmdFourierCarreCoupeBande = 33094,
    kCmdFourierCirculaireCoupeBande = 33095,
    kCmdFourierRectangulairePasseHaut = 33096,
    kCmdFourierCarrePasseHaut = 33097,
    kCmdFourierCirculairePasseHaut = 33098,
    kCmdFourierRectangulairePasseBande = 33099,
    kCmdFourierRectangulaireCoupeBande = 33100,
    // Fourier filters on Y, U and V
    kCmdFourierYuvCarre = 33106,
    kCmdFourierYuvRect = 33107,
    kCmdFourierYuvCirculaire = 33108,
    kCmdFourierYuvCarrePasseBande = 33109,
    kCmdFourierYuvCirculairePasseBande = 33110,
    kCmdFourierYuvGaussien = 33111,
    kCmdFourierYuvCarreCoupeBande = 33112,
    kCmdFourierYuvCirculaireCoupeBande = 33113,
    kCmdFourierYuvRectPasseHaut = 33114,
    kCmdFourierYuvCarrePasseHaut = 33115,
    kCmdFourierYuvCirculairePasseHaut = 33116,
    kCmdFourierYuvRectangulairePasseBande = 33117,
    kCmdFourierYuvRectangulaireCoupeBande = 33118,
};

// Resource ids of menus, toolbars, strings and icons.
enum : int
{
    kResMainFrame = 128, // menu, accelerators, icon, toolbar and string (the product title)
    kResImageFrame = 129,
    kResToolFrame = 130,
    kResPreviewToolBar = 230,
    kResImageContextMenu = 225,
    kResPasteMenu = 228,
    kResToolContextMenu = 236,
    kResFourierToolBar = 238, // the luminance Fourier filters: menu-item pictures only
    kResToolFrameToolBar = 239,
};
