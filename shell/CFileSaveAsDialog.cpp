#include "shell/CFileSaveAsDialog.h"

#include "platform/settings/Settings.h"
#include "shell/CFilePreviewDialog.h"
#include "shell/ShellText.h"

#include <QComboBox>
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
    // The list shows the labels alone, so the type is known by its index. The name is taken as
    // it stood before the dialog's own handling of the new type rewrites its extension (it would
    // write "photo.*" for "Tous (*.*)"): the index changes first, then the type is activated.
    if (auto* types = findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
    {
        connect(types, &QComboBox::currentIndexChanged, this,
                [this] { m_nameBeforeTypeChange = TypedName(); });
        connect(types, &QComboBox::activated, this,
                [this](int index)
                {
                    if (TypedName() != m_nameBeforeTypeChange) SetTypedName(m_nameBeforeTypeChange);
                    OnTypeChange(index);
                });
    }
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
    // A type without one extension of its own leaves the name as it was typed.
    if (extension.isEmpty() || name.isEmpty()) return;
    // As the dialog has always done it: the full path, renamed, goes into the name field.
    const QString full = QFileInfo(name).isAbsolute() ? name : directory().absoluteFilePath(name);
    SetTypedName(RenameExtension(full, extension));
}
