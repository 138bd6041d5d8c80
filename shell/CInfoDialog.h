// "Informations": the information text of a document in a read-only box, with the desktop's
// properties of its file. The box shows a scroll bar only where the text needs one.
#pragma once

#include "resources/DialogBuilder.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class CInfoDialog : public QDialog
{
    Q_OBJECT
public:
    // base: the dialog units to lay out with (null: from the font).
    CInfoDialog(const QString& path, const QString& title, const QString& text, QWidget* parent = nullptr,
                const DialogBaseUnits* base = nullptr);

    // "Informations fichier...": the file's properties (nothing without a path).
    void OnProperties();

    QPlainTextEdit* TextBox() const { return m_text; }
    QPushButton* PropertiesButton() const { return m_properties; }

private:
    // Each bar on or off from the lines of the text against the box's client area.
    void SetScrollBars(const QString& text);

    QString m_path;
    CDialogControls m_controls;
    QPlainTextEdit* m_text;
    QPushButton* m_properties;
};
