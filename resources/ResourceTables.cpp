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
    {5504, "Attendre..."},
    {5505, "Lecture de données du périphérique (%d%% fait)"},
    {5506, "Traitement de données (%d%% fait)"},
    {5507, "Transfert de données (%d%% fait)"},
    {57345, "Prêt"},
    {61404, "(00000 00000)"},
    {61405, "00000,00000 -> 00000,00000"},
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
    {"Source Twain", kCmdTwainSelectSource, {}},
    {"Acquisition Twain", kCmdTwainAcquire, {}},
    {"Acquisition WIA...", kCmdWiaAcquire, {}},
    Sep,
    {"(MRU vide)", kCmdFileMruFirst, {}},
    {"Effacer MRU", kCmdClearMru, {}},
    Sep,
    {"&Quitter\tAlt+F4", kCmdAppExit, {}},
};
const MenuEntry kConfig[] = {
    {"Barre d'&Outils", kCmdViewToolBar, {}},
    {"Barre d'&Etat", kCmdViewStatusBar, {}},
    Sep,
    {"&Configuration...", kCmdConfiguration, {}},
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
    {"Créer à partir du presse-papiers", kCmdNewFromClipboard, {}},
    {"Effacer le presse-papiers", kCmdEmptyClipboard, {}},
    Sep,
    {"Source Twain", kCmdTwainSelectSource, {}},
    {"Acquisition Twain", kCmdTwainAcquire, {}},
    {"Acquisition WIA...", kCmdWiaAcquire, {}},
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
// Menu 129's image popups.
const MenuEntry kColours[] = {
    {"Egaliser", kCmdEqualize, {}},
    {"Egaliser RVB", kCmdEqualizeRgb, {}},
    {"Gamma...", kCmdGamma, {}},
    {"Contraste && Luminosité...", kCmdBrightnessContrast, {}},
    {"Teinte && Saturation...", kCmdHueSaturation, {}},
    {"Couleur et Saturation...", kCmdColorSaturation, {}},
    {"Canaux RVB...", kCmdAdjustRgb, {}},
    {"Balance des couleurs...", kCmdColorBalance, {}},
    {"Niveaux de couleurs...", kCmdColorLevels, {}},
    {"Négatif", kCmdInvert, {}},
    {"Convertir Gris", kCmdGrayscale, {}},
    {"Niveau de couleur auto", kCmdAutoColorLevel, {}},
    {"Contraste auto", kCmdAutoContrast, {}},
    {"Amélioration couleur auto", kCmdAutoColorEnhance, {}},
    {"Brillance...", kCmdSoftGlow, {}},
    {"Portrait adoucis...", kCmdSoftPortrait, {}},
};
const MenuEntry kBlurs[] = {
    {"Flou...", kCmdBlurGauss, {}},
    {"Déparasitage ", kCmdReduceNoise, {}},
    {"Flou de vitesse...", kCmdBlurMotion, {}},
    {"Flou zoom...", kCmdBlurZoom, {}},
    {"Flou radial...", kCmdBlurRadial, {}},
};
const MenuEntry kSharpen[] = {
    {"Netteté...", kCmdSharp, {}},
    {"Netteté USM...", kCmdUnsharpMask, {}},
};
const MenuEntry kImage129[] = {
    {"Miroir Horizontal", kCmdMirror, {}},
    {"Miroir Vertical", kCmdFlip, {}},
    {"Rotation 90°", kCmdRotate90, {}},
    {"Rotation 270°", kCmdRotate270, {}},
    {"Rotation 180°", kCmdRotate180, {}},
    {"Rotation libre...", kCmdRotateFree, {}},
    {"Couleurs", 0, kColours},
    {"Dilater (x2)", kCmdDilate, {}},
    {"Réduire (x0,5)", kCmdReduce, {}},
    {"Nouvelle Taille...", kCmdResize, {}},
    {"Losange...", kCmdLosange, {}},
    {"Trapèze...", kCmdTrapeze, {}},
    {"Alpha à 1", kCmdAlphaOpaque, {}},
    {"Convertir 24 bits RVB", kCmdConvert24, {}},
    {"Convertir 32 bits RVBA", kCmdConvert32, {}},
    {"Flou", 0, kBlurs},
    {"Netteté", 0, kSharpen},
};
const MenuEntry kColourEffects[] = {
    {"Seuil...", kCmdSeuil, {}},
    {"Seuil RVB...", kCmdSeuilRgb, {}},
    {"Nombre de niveaux...", kCmdNbNiveaux, {}},
    {"Solariser...", kCmdSolarize, {}},
};
const MenuEntry kEffects129[] = {
    {"Mosaïque...", kCmdMosaic, {}},
    {"Couleur", 0, kColourEffects},
    {"Photo Ancienne...", kCmdOldPhoto, {}},
    {"Demi ton", kCmdHalftone, {}},
    {"Bruiter...", kCmdNoisify, {}},
    {"Relief...", kCmdEmboss, {}},
    {"Peinture à l'huile...", kCmdOilPaint, {}},
    {"Postériser...", kCmdPosterize, {}},
    {"Splash...", kCmdSplash, {}},
    {"Dessin au trait...", kCmdPencilSketch, {}},
};
const MenuEntry kContours[] = {
    {"Sobel", kCmdSobel, {}},
    {"Prewitt", kCmdPrewitt, {}},
    {"Contours Laplacien", kCmdContoursLaplacien, {}},
    {"Contours Laplacien 2", kCmdContoursLaplacien2, {}},
    {"Contours Laplacien 4", kCmdContoursLaplacien4, {}},
    {"Contours gradient optimisé", kCmdContoursGradient, {}},
    {"Opérateur de canny", kCmdCanny, {}},
};
const MenuEntry kMorphology[] = {
    {"Binariser...", kCmdThreshold, {}},
    {"Binariser 2 seuils...", kCmdThreshold2, {}},
    {"Erosion", kCmdErosion, {}},
    {"Dilatation", kCmdDilatation, {}},
    {"Squelettisation", kCmdSquelettisation, {}},
};
const MenuEntry kProcessing129[] = {
    {"Passe &Bas", kCmdPasseBas, {}},
    {"Passe &Haut", kCmdPasseHaut, {}},
    {"M&aximum", kCmdMaximum, {}},
    {"M&inimum", kCmdMinimum, {}},
    {"&Médian", kCmdMedian, {}},
    {"Dérivée &Gradient", kCmdGradient, {}},
    {"&Laplacien", kCmdLaplacien, {}},
    {"Filtre 3x3 custom...", kCmdFilter3x3, {}},
    {"Filtre 5x5 custom...", kCmdFilter5x5, {}},
    {"Contours", 0, kContours},
    {"Opérateurs morphologiques", 0, kMorphology},
};
const MenuEntry kRgbViews[] = {
    {"Canal Rouge", kCmdViewRed, {}},
    {"Canal Rouge -> Luminance", kCmdViewRedAsGrey, {}},
    {"Canal Vert", kCmdViewGreen, {}},
    {"Canal Vert -> Luminance", kCmdViewGreenAsGrey, {}},
    {"Canal Bleu", kCmdViewBlue, {}},
    {"Canal Bleu -> Luminance", kCmdViewBlueAsGrey, {}},
};
const MenuEntry kYuvViews[] = {
    {"Luminance (Y)", kCmdViewY, {}},
    {"Chrominance bleue (U)", kCmdViewU, {}},
    {"Chrominance bleue -> Luminance", kCmdViewUAsGrey, {}},
    {"Chrominance rouge (V)", kCmdViewV, {}},
    {"Chrominance rouge -> Luminance", kCmdViewVAsGrey, {}},
};
const MenuEntry kFourierViews[] = {
    {"Fourier module", kCmdViewFourierModule, {}},
    {"Fourier phase", kCmdViewFourierPhase, {}},
    {"Vue Outil Fourier (module)", kCmdViewFourierTool, {}},
};
const MenuEntry kFourierFilters[] = {
    {"Fenêtre carrée passe-bas", kCmdFourierCarre, {}},
    {"Fenêtre carrée passe-haut", kCmdFourierCarrePasseHaut, {}},
    {"Fenêtre carrée passe-bande (min/max)", kCmdFourierCarrePasseBande, {}},
    {"Fenêtre carrée coupe- bande", kCmdFourierCarreCoupeBande, {}},
    Sep,
    {"Fenêtre rectangulaire passe-bas", kCmdFourierRect, {}},
    {"Fenêtre rectangulaire passe-haut", kCmdFourierRectangulairePasseHaut, {}},
    {"Fenêtre rectangulaire passe-bande", kCmdFourierRectangulairePasseBande, {}},
    {"Fenêtre rectangulaire coupe-bande", kCmdFourierRectangulaireCoupeBande, {}},
    Sep,
    {"Fenêtre circulaire passe-bas", kCmdFourierCirculaire, {}},
    {"Fenêtre circulaire passe-haut", kCmdFourierCirculairePasseHaut, {}},
    {"Fenêtre circulaire passe-bande (min/max)", kCmdFourierCirculairePasseBande, {}},
    {"Fenêtre circulaire coupe-bande", kCmdFourierCirculaireCoupeBande, {}},
    Sep,
    {"Gaussienne", kCmdFourierGaussien, {}},
};
const MenuEntry kFourierYuvFilters[] = {
    {"Fenêtre carrée passe-bas", kCmdFourierYuvCarre, {}},
    {"Fenêtre carrée passe-haut", kCmdFourierYuvCarrePasseHaut, {}},
    {"Fenêtre carrée passe-bande (min/max)", kCmdFourierYuvCarrePasseBande, {}},
    {"Fenêtre carrée coupe bande", kCmdFourierYuvCarreCoupeBande, {}},
    Sep,
    {"Fenêtre rectangulaire passe-bas", kCmdFourierYuvRect, {}},
    {"Fenêtre rectangulaire passe-haut", kCmdFourierYuvRectPasseHaut, {}},
    {"Fenêtre rectangulaire passe-bande", kCmdFourierYuvRectangulairePasseBande, {}},
    {"Fenêtre rectangulaire coupe-bande", kCmdFourierYuvRectangulaireCoupeBande, {}},
    Sep,
    {"Fenêtre circulaire passe-bas", kCmdFourierYuvCirculaire, {}},
    {"Fenêtre circulaire passe-haut", kCmdFourierYuvCirculairePasseHaut, {}},
    {"Fenêtre circulaire passe-bande (min/max)", kCmdFourierYuvCirculairePasseBande, {}},
    {"Fenêtre circulaire coupe bande", kCmdFourierYuvCirculaireCoupeBande, {}},
    Sep,
    {"Gaussienne", kCmdFourierYuvGaussien, {}},
};
const MenuEntry kTools129[] = {
    {"Vues RVB", 0, kRgbViews},
    {"Vues YUV", 0, kYuvViews},
    {"Vues Fourier (Luminance)", 0, kFourierViews},
    {"Filtres Fourier (Luminance)", 0, kFourierFilters},
    {"Filtres Fourier (Y+U+V)", 0, kFourierYuvFilters},
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
    {"&Image", 0, kImage129},
    {"Effets", 0, kEffects129},
    {"&Traitements", 0, kProcessing129},
    {"&Outils", 0, kTools129},
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
