// "Informations": the information text of a document in a read-only box, with the desktop's
// properties of its file.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class CInfoDialog : public QDialog
{
    Q_OBJECT
public:
    CInfoDialog(const QString& path, const QString& title, const QString& text, QWidget* parent = nullptr);

    // "Informations fichier...": the file's properties (nothing without a path).
    void OnProperties();

    QPlainTextEdit* TextBox() const { return m_text; }
    QPushButton* PropertiesButton() const { return m_properties; }

private:
    QString m_path;
    QPlainTextEdit* m_text;
    QPushButton* m_properties;
};
