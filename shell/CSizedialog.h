// "Nouvelle taille": the new width and height of the image, one side possibly computed from the
// other ("Largeur auto", "Hauteur auto": never both), and FreeImage's resampling with a chosen
// filter.
#pragma once

#include "document/RotateResizeCommands.h"
#include "resources/DialogBuilder.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

class CSizedialog : public QDialog
{
    Q_OBJECT
public:
    // Starts with the image's size; base: the dialog units to lay out with (null: from the font).
    CSizedialog(int width, int height, QWidget* parent = nullptr, const DialogBaseUnits* base = nullptr);

    int m_width;
    int m_height;
    bool m_bAutoWidth = false;
    bool m_bAutoHeight = false;
    bool m_bFreeImage = false;
    int m_filter = 1;

    void OnAutoHeight();
    void OnAutoWidth();
    void OnUseFreeImage();
    // OK or Cancel: the numbers of the two fields as typed, FreeImage and the chosen filter.
    void OnOK();

    ResizeValues Values() const
    {
        return ResizeValues{m_width, m_height, m_bAutoWidth, m_bAutoHeight, m_bFreeImage, m_filter};
    }
    const CDialogControls& Controls() const { return m_controls; }
    QLineEdit* WidthEdit() const;
    QLineEdit* HeightEdit() const;
    QComboBox* FilterCombo() const;

    void done(int result) override;

private:
    CDialogControls m_controls;
};
