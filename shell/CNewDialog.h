// "Nouvelle Image": the width and height of a new image and its colours (grey, RGB, RGBA).
#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;

class CNewDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CNewDialog(QWidget* parent = nullptr);

    int m_width = 256;
    int m_height = 256;
    int m_type = 1; // 0, 1, 2 for 8, 24, 32 bits per pixel

    // Bits per pixel of the chosen type.
    int BitsPerPixel() const { return m_type == 0 ? 8 : (m_type == 2 ? 32 : 24); }

    // OK: reads the width then the height; a field that is not a whole number beeps, takes the
    // focus and keeps the dialog open (false).
    bool OnCloseCmd();
    void OnTypeRadio(int type);

    QLineEdit* WidthEdit() const { return m_widthEdit; }
    QLineEdit* HeightEdit() const { return m_heightEdit; }
    QRadioButton* TypeRadio(int type) const { return m_radios[type]; }

private:
    QLineEdit* m_widthEdit;
    QLineEdit* m_heightEdit;
    QRadioButton* m_radios[3];
};
