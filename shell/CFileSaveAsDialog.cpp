#include "shell/CFileSaveAsDialog.h"

#include "platform/settings/Settings.h"
#include "shell/CFilePreviewDialog.h"
#include "shell/FileDialogSize.h"
#include "shell/ShellText.h"

#include <QFileInfo>
#include <QLineEdit>

CFileSaveAsDialog::CFileSaveAsDialog(const QString& initialName, const QString& initialFolder,
                                     QWidget* parent)
    : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::HideNameFilterDetails);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    const QStringList filters = CFilePreviewDialog::KnownImagesFilters();
    setNameFilters(filters);
    if (!initialFolder.isEmpty()) setDirectory(initialFolder);
    if (!initialName.isEmpty()) selectFile(initialName);
    connect(this, &QFileDialog::filterSelected, this,
            [this, filters](const QString& filter) { OnTypeChange(int(filters.indexOf(filter))); });
}

QString CFileSaveAsDialog::TypedName() const
{
    const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return edit ? edit->text() : QString();
}

void CFileSaveAsDialog::SetTypedName(const QString& name)
{
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(name);
}

void CFileSaveAsDialog::OnTypeChange(int index)
{
    const auto& list = GetKnownImagesFilterLabel();
    if (index < 0 || std::size_t(index) >= list.size()) return;
    const QString extension = ExtensionOfTypeLabel(QString::fromStdWString(list[std::size_t(index)].first));
    const QString name = TypedName();
    if (extension.isEmpty() || name.isEmpty()) return;
    // As the dialog has always done it: the full path, renamed, goes into the name field.
    const QString full = QFileInfo(name).isAbsolute() ? name : directory().absoluteFilePath(name);
    SetTypedName(RenameExtension(full, extension));
}

void CFileSaveAsDialog::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    if (m_sized) return;
    // Sized once its parts are laid out, then centred again on its owner.
    m_sized = true;
    SizeFileDialogToColumns(*this, 420);
    adjustPosition(parentWidget());
}
