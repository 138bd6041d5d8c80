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
