// The open dialog with a preview of the selected file: its picture fitted into a 128 x 128 box,
// its name, size, depth, file size, camera and exposure details and type. Always an open dialog,
// with a read-only check box; the filter list is the known-images list.
#pragma once

#include "imagelib/FCImageProperty.h"
#include "imagelib/FCObjImage.h"

#include <QFileDialog>

class QCheckBox;
class QLabel;

// The preview box: white, with the picture fitted and centred.
class CPreviewBox : public QWidget
{
    Q_OBJECT
public:
    explicit CPreviewBox(const FCObjImage& image, QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(128, 128); }
    // The image was loaded again or emptied: repaints it.
    void ImageChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const FCObjImage& m_image;
    FCObjImage m_premultiplied; // a 32-bit image as drawn, made at its first paint
};

class CFilePreviewDialog : public QFileDialog
{
    Q_OBJECT
public:
    // initialFolder: where the dialog starts, when not empty.
    explicit CFilePreviewDialog(const QString& initialFolder, QWidget* parent = nullptr);

    // Shows the file's picture and details; an empty path empties the preview.
    void UpdatePreview(const QString& path);

    bool IsReadOnlyChecked() const;
    // The file chosen on OK: the one selected, or one the dialog could not list (a name that is
    // not UTF-8) whose name the user typed.
    QString ChosenPath() const;
    const FCObjImage& PreviewImage() const { return m_image; }
    // The text of a preview control: 1012 name, 1013 width, 1014 height, 1015 format, 1016 size,
    // 1017 make, 1018 model, 1019 date, 1020 ISO, 1021 exposure, 1022 F-number, 1023 focal
    // length, 1024 type.
    QString ControlText(int id) const;

    // The filter list as the dialog shows it: label and patterns ("*.a *.b"), the label shown.
    static QStringList KnownImagesFilters();

    // The name field was typed in: a name or path that names a file is previewed, anything else
    // empties the preview.
    void OnNameTyped(const QString& text);
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ClearTexts(const QString& typeText);

    FCObjImage m_image;
    FCImageProperty m_prop;
    CPreviewBox* m_box;
    QLabel* m_texts[13]; // 1012..1024
    QCheckBox* m_readOnly;
    bool m_sized = false;
    QString m_typedPath; // a typed name found among the names the dialog could not list
};
