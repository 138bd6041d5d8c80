// The dialogs of the image menu that show no preview: the rhombus and trapezium distortions (two
// whole numbers, each with its direction) and the options of the Canny edge detector.
#pragma once

#include "document/DedicatedDialogCommands.h"
#include "resources/DialogBuilder.h"

#include <QDialog>
#include <QString>

class QLineEdit;

// The texts of one use of the distortion dialog: its title and the captions of its two rows.
struct DistortDialogTexts
{
    QString title;
    QString row1Caption; // the row of "Gauche" and "Droite"
    QString row2Caption; // the row of "Haut" and "Bas"
};
// "Déformation en losange" and "Déformation en trapèze".
DistortDialogTexts LosangeDialogTexts();
DistortDialogTexts TrapezeDialogTexts();

// Two edits of at most five digits and the push buttons "Gauche"/"Droite" and "Haut"/"Bas";
// "RAZ" puts both numbers to 0 and both directions to "Gauche" and "Haut". OK and "Annuler" read
// both numbers (an empty edit reads 0, with one beep) and close.
class CLosangetrapezedialog : public QDialog
{
public:
    explicit CLosangetrapezedialog(const DistortDialogTexts& texts, QWidget* parent = nullptr,
                                   const DialogBaseUnits* base = nullptr);

    const DistortValues& Values() const { return m_values; }
    const CDialogControls& Controls() const { return m_controls; }

    void accept() override;
    void reject() override;

    static constexpr int kRow1Edit = 1072, kRow2Edit = 1073, kLeftId = 1068, kRightId = 1069, kUpId = 1070,
                         kDownId = 1071, kResetId = 1052;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void OnReset();
    void OnCloseCmd(int id);
    void SetLeft(bool left);
    void SetUp(bool up);
    void CheckDirections();

    CDialogControls m_controls;
    DistortDialogTexts m_texts;
    DistortValues m_values;
    bool m_initialised = false;
};

// Two check boxes: the 5 x 5 Gaussian smoothing (off at the start) and the removal of the points
// that are not maxima (on). OK and "Annuler" both store them.
class CCannydialog : public QDialog
{
public:
    explicit CCannydialog(QWidget* parent = nullptr, const DialogBaseUnits* base = nullptr);

    bool Gauss5x5() const { return m_bGauss5x5; }
    bool RemoveNonMaxima() const { return m_bRemoveNonMaxima; }
    const CDialogControls& Controls() const { return m_controls; }

    void accept() override;
    void reject() override;

    static constexpr int kGaussId = 1076, kNonMaximaId = 1077;

private:
    void StoreFlags();

    CDialogControls m_controls;
    bool m_bGauss5x5 = false;
    bool m_bRemoveNonMaxima = true;
};
