#include "resources/DialogTemplates.h"

namespace
{
// clang-format off

// The generic slider dialogs.
const DialogControl k213[] = {
    {1, DlgKind::DefButton, "OK", 110, 47, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 47, 50, 14},
    {1043, DlgKind::Trackbar, nullptr, 7, 7, 209, 21, kDlgTicksTop},
    {1045, DlgKind::Static, "Valeur:", 13, 34, 63, 8},
    {1044, DlgKind::Static, nullptr, 79, 34, 59, 8},
    {1052, DlgKind::Button, "RAZ", 7, 47, 50, 14},
};
const DialogControl k214[] = {
    {1, DlgKind::DefButton, "OK", 112, 79, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 79, 50, 14},
    {1045, DlgKind::Static, nullptr, 7, 7, 90, 8},
    {1043, DlgKind::Trackbar, nullptr, 7, 19, 209, 17, kDlgTicksBottom},
    {1044, DlgKind::Static, nullptr, 103, 7, 40, 8},
    {1048, DlgKind::Static, nullptr, 7, 49, 90, 8},
    {1046, DlgKind::Trackbar, nullptr, 7, 59, 209, 17, kDlgTicksBottom},
    {1047, DlgKind::Static, nullptr, 103, 49, 40, 8},
    {1052, DlgKind::Button, "RAZ", 7, 79, 50, 14},
};
const DialogControl k215[] = {
    {1, DlgKind::DefButton, "OK", 112, 112, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 112, 50, 14},
    {1052, DlgKind::Button, "RAZ", 7, 112, 50, 14},
    {1045, DlgKind::Static, nullptr, 7, 5, 90, 8},
    {1043, DlgKind::Trackbar, nullptr, 7, 16, 209, 17, kDlgTicksBottom},
    {1044, DlgKind::Static, nullptr, 103, 5, 40, 8},
    {1048, DlgKind::Static, nullptr, 7, 40, 90, 8},
    {1046, DlgKind::Trackbar, nullptr, 7, 51, 209, 17, kDlgTicksBottom},
    {1047, DlgKind::Static, nullptr, 103, 42, 40, 8},
    {1051, DlgKind::Static, nullptr, 7, 75, 90, 8},
    {1049, DlgKind::Trackbar, nullptr, 7, 86, 209, 17, kDlgTicksBottom},
    {1050, DlgKind::Static, nullptr, 103, 75, 40, 8},
};

// "Informations": the information text of a document.
const DialogControl k207[] = {
    {1009, DlgKind::Edit, nullptr, 7, 7, 209, 134, kDlgMultiLine | kDlgReadOnly},
    {1010, DlgKind::Button, "Informations fichier...", 7, 148, 90, 14},
    {1, DlgKind::DefButton, "Fermer", 166, 148, 50, 14},
};

// "Rotation": free rotation by an angle in degrees.
const DialogControl k209[] = {
    {kDlgNoId, DlgKind::Static, "Angle (°)", 7, 10, 40, 8},
    {1025, DlgKind::Edit, nullptr, 50, 7, 60, 14},
    {1026, DlgKind::Radio, "Vers la gauche", 7, 29, 90, 10, kDlgGroupStart},
    {1027, DlgKind::Radio, "Vers la droite", 7, 43, 90, 10},
    {1028, DlgKind::CheckBox, "Ajuster taille image", 110, 29, 106, 10},
    {1099, DlgKind::CheckBox, "Utiliser FreeImage", 110, 43, 106, 10},
    {1, DlgKind::DefButton, "OK", 110, 63, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 63, 50, 14},
};

// "Nouvelle taille": the new width and height of the image.
const DialogControl k210[] = {
    {1036, DlgKind::Static, "Largeur", 7, 10, 40, 8},
    {1029, DlgKind::Edit, nullptr, 50, 7, 60, 14},
    {1034, DlgKind::CheckBox, "Largeur auto", 122, 9, 96, 10},
    {1035, DlgKind::Static, "Hauteur", 7, 31, 40, 8},
    {1031, DlgKind::Edit, nullptr, 50, 28, 60, 14},
    {1033, DlgKind::CheckBox, "Hauteur auto", 122, 30, 96, 10},
    {1097, DlgKind::CheckBox, "Utiliser FreeImage avec le filtrage", 7, 52, 160, 10},
    {1098, DlgKind::Combo, nullptr, 7, 66, 160, 80},
    {1, DlgKind::DefButton, "OK", 112, 92, 50, 14},
    {2, DlgKind::Button, "Annuler", 168, 92, 50, 14},
};

// "Balance des couleurs": three signed sliders between complementary colours, the tone range and
// the luminosity kept.
const DialogControl k216[] = {
    {1, DlgKind::DefButton, "OK", 112, 164, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 164, 50, 14},
    {1052, DlgKind::Button, "RAZ", 7, 164, 50, 14},
    {1045, DlgKind::Static, "Cyan", 7, 5, 90, 8},
    {1048, DlgKind::Static, "Magenta", 7, 40, 90, 8},
    {1051, DlgKind::Static, "Jaune", 7, 75, 90, 8},
    {1043, DlgKind::Trackbar, nullptr, 7, 16, 209, 17, kDlgTicksBottom},
    {1046, DlgKind::Trackbar, nullptr, 7, 51, 209, 17, kDlgTicksBottom},
    {1049, DlgKind::Trackbar, nullptr, 7, 86, 209, 17, kDlgTicksBottom},
    {1044, DlgKind::Static, nullptr, 103, 5, 40, 8},
    {1047, DlgKind::Static, nullptr, 103, 42, 40, 8},
    {1050, DlgKind::Static, nullptr, 103, 75, 40, 8},
    {kDlgNoId, DlgKind::Static, "Rouge", 189, 5, 22, 8},
    {kDlgNoId, DlgKind::Static, "Vert", 196, 40, 15, 8},
    {kDlgNoId, DlgKind::Static, "Bleu", 196, 75, 15, 8},
    {1053, DlgKind::CheckBox, "Conserver la luminosité", 17, 137, 93, 10},
    {1054, DlgKind::Radio, "Ombre", 17, 116, 50, 10, kDlgGroupStart},
    {1055, DlgKind::Radio, "Demi-ton", 77, 116, 50, 10},
    {1056, DlgKind::Radio, "Eclaircir", 145, 116, 56, 10},
};

// "Niveaux de couleurs": the input strip with its histogram, the output strip with its gradient,
// and the channel list.
const DialogControl k217[] = {
    {1, DlgKind::DefButton, "OK", 105, 199, 50, 14},
    {2, DlgKind::Button, "Annuler", 165, 199, 50, 14},
    {1052, DlgKind::Button, "RAZ", 7, 199, 50, 14},
    {1062, DlgKind::Static, "Canaux :", 73, 9, 72, 8},
    {1057, DlgKind::Combo, nullptr, 148, 6, 63, 78},
    {1060, DlgKind::GroupBox, "Entrée", 6, 22, 210, 108},
    {1058, DlgKind::Custom, nullptr, 17, 39, 188, 88},
    {1061, DlgKind::GroupBox, "Sortie", 6, 139, 210, 52},
    {1059, DlgKind::Custom, nullptr, 17, 156, 188, 32},
};

// "Bruiter": the amount of noise and the independent colours.
const DialogControl k218[] = {
    {1, DlgKind::DefButton, "OK", 110, 61, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 61, 50, 14},
    {1052, DlgKind::Button, "RAZ", 7, 61, 50, 14},
    {1043, DlgKind::Trackbar, nullptr, 7, 7, 209, 21, kDlgTicksTop},
    {1045, DlgKind::Static, "Quantité:", 13, 33, 63, 8},
    {1044, DlgKind::Static, nullptr, 79, 33, 59, 8},
    {1063, DlgKind::CheckBox, "Couleurs indépendantes", 9, 45, 94, 10},
};

// "Nombre de Niveaux": one radio button per number of levels.
const DialogControl k219[] = {
    {1, DlgKind::DefButton, "OK", 109, 107, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 107, 50, 14},
    {1052, DlgKind::Button, "RAZ", 7, 107, 50, 14},
    {1064, DlgKind::Radio, "2", 95, 7, 20, 10, kDlgGroupStart},
    {1066, DlgKind::Radio, "4", 95, 21, 20, 10},
    {1065, DlgKind::Radio, "8", 95, 35, 20, 10},
    {1067, DlgKind::Radio, "16", 95, 49, 24, 10},
    {1068, DlgKind::Radio, "32", 95, 63, 24, 10},
    {1069, DlgKind::Radio, "64", 95, 77, 24, 10},
    {1070, DlgKind::Radio, "128", 95, 91, 28, 10},
    {kDlgNoId, DlgKind::Static, "Niveaux : ", 7, 53, 34, 8},
};

// The rhombus and trapezium: two numbers, each with its direction.
const DialogControl k221[] = {
    {1, DlgKind::DefButton, "OK", 110, 47, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 47, 50, 14},
    {1052, DlgKind::Button, "RAZ", 7, 47, 50, 14},
    {1074, DlgKind::Static, nullptr, 7, 7, 93, 14, kDlgCenterV},
    {1072, DlgKind::Edit, nullptr, 101, 7, 32, 14, kDlgDigits},
    {1068, DlgKind::PushRadio, "Gauche", 138, 7, 36, 14, kDlgGroupStart},
    {1069, DlgKind::PushRadio, "Droite", 176, 7, 36, 14},
    {1075, DlgKind::Static, nullptr, 7, 28, 93, 14, kDlgCenterV},
    {1073, DlgKind::Edit, nullptr, 101, 28, 32, 14, kDlgDigits},
    {1070, DlgKind::PushRadio, "Haut", 139, 28, 36, 14, kDlgGroupStart},
    {1071, DlgKind::PushRadio, "Bas", 176, 28, 36, 14},
};

// "Opérateur de Canny": the two options of the edge detector.
const DialogControl k222[] = {
    {1, DlgKind::DefButton, "OK", 109, 43, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 43, 50, 14},
    {1076, DlgKind::CheckBox, "Filtre Gaussien 5x5 au lieu de 3x3 pixels", 12, 10, 190, 10},
    {1077, DlgKind::CheckBox, "Enlever les points non maximum", 12, 26, 122, 10},
};

// "Filtre 5x5": a free kernel, its divisor and its offset (also the 3 x 3 kernel, outer cells
// hidden).
const DialogControl k229[] = {
    {1, DlgKind::DefButton, "OK", 109, 164, 50, 14},
    {2, DlgKind::Button, "Annuler", 166, 164, 50, 14},
    {1052, DlgKind::Button, "RAZ", 7, 164, 50, 14},
    {101, DlgKind::Edit, nullptr, 20, 7, 29, 14},
    {102, DlgKind::Edit, nullptr, 58, 7, 29, 14},
    {103, DlgKind::Edit, nullptr, 96, 7, 29, 14},
    {104, DlgKind::Edit, nullptr, 134, 7, 29, 14},
    {105, DlgKind::Edit, nullptr, 172, 7, 29, 14},
    {106, DlgKind::Edit, nullptr, 20, 30, 29, 14},
    {107, DlgKind::Edit, nullptr, 58, 30, 29, 14},
    {108, DlgKind::Edit, nullptr, 96, 30, 29, 14},
    {109, DlgKind::Edit, nullptr, 134, 30, 29, 14},
    {110, DlgKind::Edit, nullptr, 172, 30, 29, 14},
    {111, DlgKind::Edit, nullptr, 20, 53, 29, 14},
    {112, DlgKind::Edit, nullptr, 58, 53, 29, 14},
    {113, DlgKind::Edit, nullptr, 96, 53, 29, 14},
    {114, DlgKind::Edit, nullptr, 134, 53, 29, 14},
    {115, DlgKind::Edit, nullptr, 172, 53, 29, 14},
    {116, DlgKind::Edit, nullptr, 20, 76, 29, 14},
    {117, DlgKind::Edit, nullptr, 58, 76, 29, 14},
    {118, DlgKind::Edit, nullptr, 96, 76, 29, 14},
    {119, DlgKind::Edit, nullptr, 134, 76, 29, 14},
    {120, DlgKind::Edit, nullptr, 172, 76, 29, 14},
    {121, DlgKind::Edit, nullptr, 20, 99, 29, 14},
    {122, DlgKind::Edit, nullptr, 58, 99, 29, 14},
    {123, DlgKind::Edit, nullptr, 96, 99, 29, 14},
    {124, DlgKind::Edit, nullptr, 134, 99, 29, 14},
    {125, DlgKind::Edit, nullptr, 172, 99, 29, 14},
    {kDlgNoId, DlgKind::Static, "Echelle (diviseur):", 16, 124, 60, 8},
    {1091, DlgKind::Edit, nullptr, 90, 121, 40, 14, kDlgDigits},
    {kDlgNoId, DlgKind::Static, "Offset:", 16, 141, 23, 8},
    {1116, DlgKind::Edit, nullptr, 91, 138, 40, 14},
    {1092, DlgKind::Button, "Voir", 166, 132, 50, 14},
};

// 5502: the progress of a device-manager transfer.
const DialogControl k5502[] = {
    {5501, DlgKind::Static, "", 7, 7, 170, 8},
    {5500, DlgKind::Progress, nullptr, 7, 22, 170, 14},
    {2, DlgKind::Button, "Abandonner", 127, 43, 50, 14},
};

// The configuration dialog; the list box is replaced by the property list.
const DialogControl k245[] = {
    {1102, DlgKind::ListBox, nullptr, 7, 7, 295, 138, kDlgVScroll},
    {1103, DlgKind::Static, nullptr, 7, 149, 295, 37, kDlgWordWrap},
    {16, DlgKind::Button, "Appliquer", 143, 190, 50, 14},
    {1, DlgKind::DefButton, "OK", 198, 190, 50, 14},
    {2, DlgKind::Button, "Annuler", 252, 190, 50, 14},
};

const DialogTemplate kTemplates[] = {
    {207, "Informations", 223, 169, k207},
    {209, "Rotation", 223, 84, k209},
    {210, "Nouvelle taille", 225, 113, k210},
    {213, "1slider", 223, 69, k213},
    {214, "2Sliders", 223, 100, k214},
    {215, "3Sliders", 223, 133, k215},
    {216, "Balance des couleurs", 223, 185, k216},
    {217, "Niveaux de couleurs", 223, 219, k217},
    {218, "Bruiter", 223, 82, k218},
    {219, "Nombre de Niveaux", 223, 128, k219},
    {221, "Dialog", 223, 68, k221},
    {222, "Opérateur de Canny", 223, 64, k222},
    {229, "Filtre 5x5", 223, 185, k229},
    {5502, "WIA Progression", 226, 63, k5502},
    {245, "Orvalis 5 : configuration", 309, 211, k245},
};
// clang-format on
} // namespace

const DialogTemplate* FindDialogTemplate(int id)
{
    for (const DialogTemplate& t : kTemplates)
        if (t.id == id) return &t;
    return nullptr;
}
