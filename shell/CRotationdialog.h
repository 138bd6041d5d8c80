// "Rotation": the angle of a free rotation in degrees, its direction, and whether FreeImage
// turns the image. The angle field takes digits, ',' and '.' only, and keeps the last text that
// reads as a number ("12,5" is 12.5).
#pragma once

#include "document/RotateResizeCommands.h"
#include "resources/DialogBuilder.h"

#include <QDialog>

class QLineEdit;

class CRotationdialog : public QDialog
{
    Q_OBJECT
public:
    // base: the dialog units to lay out with (null: from the font).
    explicit CRotationdialog(QWidget* parent = nullptr, const DialogBaseUnits* base = nullptr);

    double m_angle = 0.0;
    bool m_bRight = true;
    bool m_bFit = true;
    bool m_bFreeImage = false;

    // The field's text changed by the user: kept when it reads as a number, else the last
    // accepted text comes back with its caret.
    void OnAngleChange();
    // OK or Cancel: the angle when the field reads whole as it stands, and the three choices.
    void OnOK();

    RotationValues Values() const { return RotationValues{m_angle, m_bRight, m_bFreeImage}; }
    const CDialogControls& Controls() const { return m_controls; }
    QLineEdit* AngleEdit() const;

    void done(int result) override;

protected:
    // Keys that would type anything but digits, ',' and '.' into the angle field are dropped.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CDialogControls m_controls;
    QString m_lastText;
    int m_selectionStart = 0;
    int m_selectionEnd = 0;
};
