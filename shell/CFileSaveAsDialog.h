// The save dialog: the known-images filter list; choosing a file type that names one extension
// gives the typed name that extension.
#pragma once

#include <QFileDialog>

class CFileSaveAsDialog : public QFileDialog
{
    Q_OBJECT
public:
    CFileSaveAsDialog(const QString& initialName, const QString& initialFolder, QWidget* parent = nullptr);

    // A file type was chosen (index in the known-images list): the name typed before gets the
    // type's extension, or stays as it was for a type without one.
    void OnTypeChange(int index);
    // The name typed in the dialog.
    QString TypedName() const;
    void SetTypedName(const QString& name);

private:
    QString m_nameBeforeTypeChange;
};
