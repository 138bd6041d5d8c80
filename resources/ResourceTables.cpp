#include "resources/ResourceTables.h"

#include "resources/CommandIds.h"

namespace
{
// clang-format off
struct StringEntry
{
    int id;
    const char* text;
};

const StringEntry kStrings[] = {
    {128, "Orvalis 5"},
    {129, "Image"},
    {130, "Image Tool"},
    {201, "%s %lu M libre"},
    {202, "%lu M libre / %lu M total"},
    {203, "(non disponible)"},
    {57345, "Prêt"},
    {61404, "(00000 00000)"},
    {61405, "00000,00000 -> 00000,00000"},
    // Tooltips of the print preview's bar.
    {33053, "Fermer l'aperçu"},
    {33054, "Imprimer"},
    {33057, "Imprimer (Windows)"},
    {33059, "Configuration de l'impression"},
};

constexpr MenuEntry Sep{nullptr, 0, {}};

// Menu 128: no window open.
const MenuEntry kFile128[] = {
    {"&Nouveau\tCtrl+N", kCmdFileNew, {}},
    {"&Ouvrir...\tCtrl+O", kCmdFileOpen, {}},
    Sep,
    {"Créer à partir du presse-papiers", kCmdNewFromClipboard, {}},
    {"Effacer le presse-papiers", kCmdEmptyClipboard, {}},
    Sep,
    {"Configuration impression...", kCmdFilePageSetup, {}},
    Sep,
    {"(MRU vide)", kCmdFileMruFirst, {}},
    {"Effacer MRU", kCmdClearMru, {}},
    Sep,
    {"&Quitter\tAlt+F4", kCmdAppExit, {}},
};
const MenuEntry kConfig[] = {
    {"Barre d'&Outils", kCmdViewToolBar, {}},
    {"Barre d'&Etat", kCmdViewStatusBar, {}},
};
const MenuEntry kHelp128[] = {
    {"&A propos...", kCmdAppAbout, {}},
};
const MenuEntry kMenu128[] = {
    {"&Fichier", 0, kFile128},
    {"&Configuration", 0, kConfig},
    {"&Aide", 0, kHelp128},
};

// Menu 129: an image window is active.
const MenuEntry kFile129[] = {
    {"&Nouveau\tCtrl+N", kCmdFileNew, {}},
    {"&Ouvrir...\tCtrl+O", kCmdFileOpen, {}},
    {"Fermer", kCmdFileClose, {}},
    Sep,
    {"&Sauver\tCtrl+S", kCmdFileSave, {}},
    {"Sauver dans...", kCmdFileSaveAs, {}},
    {"&Informations", kCmdFileInfo, {}},
    Sep,
    {"Im&primer...\tCtrl+P", kCmdFilePrint, {}},
    {"Aperçu avant impression", kCmdFilePrintPreview, {}},
    {"Configuration impression...", kCmdFilePageSetup, {}},
    {"Imprimer (Windows)...", kCmdPrintWithShell, {}},
    Sep,
    {"Créer à partir du presse-papiers", kCmdNewFromClipboard, {}},
    {"Effacer le presse-papiers", kCmdEmptyClipboard, {}},
    Sep,
    {"(MRU vide)", kCmdFileMruFirst, {}},
    {"Effacer MRU", kCmdClearMru, {}},
    Sep,
    {"&Quitter\tAlt+F4", kCmdAppExit, {}},
};
const MenuEntry kZoom[] = {
    {"Auto", kCmdZoomAuto, {}},
    {"1/16", kCmdZoom1_16, {}},
    {"1/8", kCmdZoom1_8, {}},
    {"1/4", kCmdZoom1_4, {}},
    {"1/2", kCmdZoom1_2, {}},
    {"Réduire", kCmdZoomOut, {}},
    {"1/1", kCmdZoom1, {}},
    {"Agrandir", kCmdZoomIn, {}},
    {"2/1", kCmdZoom2, {}},
    {"4/1", kCmdZoom4, {}},
    {"8/1", kCmdZoom8, {}},
    {"16/1", kCmdZoom16, {}},
};
const MenuEntry kEdit129[] = {
    {"&Annuler\tCtrl+Z", kCmdEditUndo, {}},
    {"&Rétablir\tCtrl+Y", kCmdEditRedo, {}},
    Sep,
    {"C&ouper\tCtrl+X", kCmdEditCut, {}},
    {"&Copier\tCtrl+C", kCmdEditCopy, {}},
    {"Co&ller\tCtrl+V", kCmdEditPaste, {}},
    {"Effacer", kCmdEditClear, {}},
    Sep,
    {"Sélectionner tout", kCmdEditSelectAll, {}},
    {"Annuler la sélection", kCmdSelectNone, {}},
    Sep,
    {"Zoom", 0, kZoom},
    Sep,
    {"Nouvelle vue image", kCmdNewView, {}},
};
const MenuEntry kWindow[] = {
    {"&Cascade", kCmdWindowCascade, {}},
    {"Mosaïque &Horizontale", kCmdWindowTileHorz, {}},
    {"Mosaïque &Verticale", kCmdWindowTileVert, {}},
    {"Ranger les &Icônes", kCmdWindowArrange, {}},
};
const MenuEntry kMenu129[] = {
    {"&Ficher", 0, kFile129},
    {"&Edition", 0, kEdit129},
    {"&Configuration", 0, kConfig},
    {"Fenêtre", 0, kWindow},
};

// Menu 130: a tool window is active.
const MenuEntry kEdit130[] = {
    {"Sélectionner tout", kCmdEditSelectAll, {}},
    {"Annuler la sélection", kCmdSelectNone, {}},
    Sep,
    {"Zoom", 0, kZoom},
    Sep,
    {"Nouvelle vue image", kCmdNewView, {}},
};
const MenuEntry kMenu130[] = {
    {"&Ficher", 0, kFile129},
    {"&Edition", 0, kEdit130},
    {"&Configuration", 0, kConfig},
    {"Fenêtre", 0, kWindow},
};

// Context menu of an image window.
const MenuEntry kContext225[] = {
    {"Sélectionner tout", kCmdEditSelectAll, {}},
    {"Annuler la sélection", kCmdSelectNone, {}},
    Sep,
    {"C&ouper\tCtrl+X", kCmdEditCut, {}},
    {"&Copier\tCtrl+C", kCmdEditCopy, {}},
    {"Co&ller\tCtrl+V", kCmdEditPaste, {}},
};
const MenuEntry kMenu225[] = {{"", 0, kContext225}};

// Context menu of a tool window.
const MenuEntry kContext236[] = {
    {"Sélectionner tout", kCmdEditSelectAll, {}},
    {"Annuler la sélection", kCmdSelectNone, {}},
    Sep,
    {"Appliquer la transformation", kCmdApplyTransform, {}},
};
const MenuEntry kMenu236[] = {{"", 0, kContext236}};

// The paste window's menu.
const MenuEntry kPasteSpecial[] = {
    {"Et (AND)", kCmdPasteAnd, {}},
    {"Ou (OR)", kCmdPasteOr, {}},
    {"Ou Exclusif (XOR)", kCmdPasteXor, {}},
    {"Ou Exclusif (XOR) + offset 128", kCmdPasteXorOffset, {}},
    {"Minimum", kCmdPasteMin, {}},
    {"Maximum", kCmdPasteMax, {}},
    {"Moyenne", kCmdPasteAverage, {}},
    {"Différence", kCmdPasteDifference, {}},
    {"Différence absolue", kCmdPasteAbsDifference, {}},
    {"Différence + offset 128", kCmdPasteDifferenceOffset, {}},
};
const MenuEntry kContext228[] = {
    {"Coller ici", kCmdPasteHere, {}},
    {"Collage spécial", 0, kPasteSpecial},
    {"Annuler", kCmdPasteCancel, {}},
};
const MenuEntry kMenu228[] = {{"", 0, kContext228}};

const Accelerator kAccel128[] = {
    {"N", kAccelCtrl, kCmdFileNew},
    {"O", kAccelCtrl, kCmdFileOpen},
    {"S", kAccelCtrl, kCmdFileSave},
    {"P", kAccelCtrl, kCmdFilePrint},
    {"Z", kAccelCtrl, kCmdEditUndo},
    {"Y", kAccelCtrl, kCmdEditRedo},
    {"X", kAccelCtrl, kCmdEditCut},
    {"C", kAccelCtrl, kCmdEditCopy},
    {"V", kAccelCtrl, kCmdEditPaste},
    {"Backspace", kAccelAlt, kCmdEditUndo},
    {"Delete", kAccelShift, kCmdEditCut},
    {"Insert", kAccelCtrl, kCmdEditCopy},
    {"Insert", kAccelShift, kCmdEditPaste},
};

const ToolBarButton kToolBar128[] = {
    {kCmdFileNew, 0}, {kCmdFileOpen, 1}, {kCmdFileSave, 2}, {kCmdFileSaveAs, 3}, {kCmdFileClose, 4}, {kCmdFileInfo, 5},
    {0, 0},
    {kCmdZoomAuto, 6}, {kCmdZoom1, 7}, {kCmdZoomOut, 8}, {kCmdZoomIn, 9},
    {0, 0},
    {kCmdEditUndo, 10}, {kCmdEditRedo, 11}, {kCmdEditCut, 12}, {kCmdEditCopy, 13}, {kCmdEditPaste, 14},
    {0, 0},
    {kCmdFilePrintPreview, 15}, {kCmdFilePrint, 16},
    {0, 0},
    {kCmdAppAbout, 17},
};

const ToolBarButton kToolBar230[] = {
    {kCmdPreviewPrint, 0}, {kCmdPreviewConfiguration, 1}, {kCmdPreviewPrintWithShell, 2}, {kCmdPreviewClose, 3},
};

// Toolbar 238 is never shown as a bar: it carries the pictures of the luminance Fourier filters.
const ToolBarButton kToolBar238[] = {
    {kCmdFourierCarre, 0}, {kCmdFourierRect, 1}, {kCmdFourierCirculaire, 2},
    {kCmdFourierCarrePasseBande, 3}, {kCmdFourierRectangulairePasseBande, 4}, {kCmdFourierCirculairePasseBande, 5},
    {kCmdFourierGaussien, 6},
    {kCmdFourierCarrePasseHaut, 7}, {kCmdFourierRectangulairePasseHaut, 8}, {kCmdFourierCirculairePasseHaut, 9},
    {kCmdFourierCarreCoupeBande, 10}, {kCmdFourierRectangulaireCoupeBande, 11}, {kCmdFourierCirculaireCoupeBande, 12},
};

// The bar of every tool frame: the Y+U+V Fourier filters.
const ToolBarButton kToolBar239[] = {
    {kCmdFourierYuvCarre, 0}, {kCmdFourierYuvRect, 1}, {kCmdFourierYuvCirculaire, 2},
    {kCmdFourierYuvCarrePasseBande, 3}, {kCmdFourierYuvRectangulairePasseBande, 4},
    {kCmdFourierYuvCirculairePasseBande, 5},
    {0, 0},
    {kCmdFourierYuvGaussien, 6},
    {0, 0},
    {kCmdFourierYuvCarrePasseHaut, 7}, {kCmdFourierYuvRectPasseHaut, 8}, {kCmdFourierYuvCirculairePasseHaut, 9},
    {kCmdFourierYuvCarreCoupeBande, 10}, {kCmdFourierYuvRectangulaireCoupeBande, 11},
    {kCmdFourierYuvCirculaireCoupeBande, 12},
};

const char* const kStrip128[] = {
    "new", "open", "save", "saveas", "close", "info", "zoomfit", "zoom11", "zoomout", "zoomin",
    "undo", "redo", "cut", "copy", "paste", "preview", "print", "about",
};
const char* const kStrip230[] = {"print", "gear", "printshell", "close"};
// Both Fourier strips show one picture per filter shape, in the same order.
const char* const kStripFourier[] = {
    "fsqlow", "frectlow", "fcirclow", "fsqband", "frectband", "fcircband", "fgauss",
    "fsqhigh", "frecthigh", "fcirchigh", "fsqstop", "frectstop", "fcircstop",
};

struct ThemeName
{
    int id;
    const char* name;
};
const ThemeName kThemeNames[] = {
    {kCmdFileNew, "document-new"},
    {kCmdFileOpen, "document-open"},
    {kCmdFileSave, "document-save"},
    {kCmdFileSaveAs, "document-save-as"},
    {kCmdFileClose, "window-close"},
    {kCmdFileInfo, "dialog-information"},
    {kCmdZoomAuto, "zoom-fit-best"},
    {kCmdZoom1, "zoom-original"},
    {kCmdZoomOut, "zoom-out"},
    {kCmdZoomIn, "zoom-in"},
    {kCmdEditUndo, "edit-undo"},
    {kCmdEditRedo, "edit-redo"},
    {kCmdEditCut, "edit-cut"},
    {kCmdEditCopy, "edit-copy"},
    {kCmdEditPaste, "edit-paste"},
    {kCmdFilePrintPreview, "document-print-preview"},
    {kCmdFilePrint, "document-print"},
    {kCmdAppAbout, "help-about"},
};
// clang-format on
} // namespace

std::string_view ResourceString(int id)
{
    for (const StringEntry& e : kStrings)
        if (e.id == id) return e.text;
    return {};
}

std::span<const MenuEntry> MenuResource(int id)
{
    switch (id)
    {
    case kResMainFrame:
        return kMenu128;
    case kResImageFrame:
        return kMenu129;
    case kResToolFrame:
        return kMenu130;
    case kResImageContextMenu:
        return kMenu225;
    case kResPasteMenu:
        return kMenu228;
    case kResToolContextMenu:
        return kMenu236;
    default:
        return {};
    }
}

std::span<const Accelerator> AcceleratorTable(int id)
{
    if (id == kResMainFrame) return kAccel128;
    return {};
}

std::span<const ToolBarButton> ToolBarResource(int id)
{
    if (id == kResMainFrame) return kToolBar128;
    if (id == kResPreviewToolBar) return kToolBar230;
    if (id == kResFourierToolBar) return kToolBar238;
    if (id == kResToolFrameToolBar) return kToolBar239;
    return {};
}

std::span<const char* const> ToolBarStrip(int id)
{
    if (id == kResMainFrame) return kStrip128;
    if (id == kResPreviewToolBar) return kStrip230;
    if (id == kResFourierToolBar || id == kResToolFrameToolBar) return kStripFourier;
    return {};
}

const char* ThemeIconName(int id)
{
    for (const ThemeName& t : kThemeNames)
        if (t.id == id) return t.name;
    return nullptr;
}

namespace
{
const char* FindText(std::span<const MenuEntry> entries, int id)
{
    for (const MenuEntry& e : entries)
    {
        if (!e.children.empty())
        {
            if (const char* t = FindText(e.children, id)) return t;
        }
        else if (e.id == id && id != 0)
            return e.text;
    }
    return nullptr;
}
} // namespace

const char* CommandMenuText(int id)
{
    for (int menu : {kResMainFrame, kResImageFrame, kResToolFrame, kResImageContextMenu, kResPasteMenu})
        if (const char* t = FindText(MenuResource(menu), id)) return t;
    return nullptr;
}
