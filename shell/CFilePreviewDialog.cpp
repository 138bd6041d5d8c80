#include "shell/CFilePreviewDialog.h"

#include "imagelib/FCExifTags.h"
#include "imagelib/FCImageCodec.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "platform/FileIO.h"
#include "platform/TextConv.h"
#include "platform/qt/PathNames.h"
#include "platform/settings/Settings.h"
#include "shell/FileDialogSize.h"
#include "shell/ShellText.h"
#include "views/OverlayImages.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include <sys/stat.h>

CPreviewBox::CPreviewBox(const FCObjImage& image, QWidget* parent) : QWidget(parent), m_image(image)
{
    setFixedSize(128, 128);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPreviewBox::ImageChanged()
{
    m_premultiplied.Destroy();
    update();
}

void CPreviewBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!m_image.HasBits()) return;
    const RECT dest = FitPreview(m_image.Width(), m_image.Height(), width(), height());
    // Translucent pictures are drawn premultiplied over the white, as the views draw them.
    if (m_image.ColorBits() == 32)
    {
        if (!m_premultiplied.HasBits()) m_premultiplied = PremultipliedCopy(m_image);
        DrawToDC(m_premultiplied, painter, dest);
    }
    else
        DrawToDC(m_image, painter, dest);
}

QStringList CFilePreviewDialog::KnownImagesFilters()
{
    QStringList filters;
    for (const auto& [label, patterns] : GetKnownImagesFilterLabel())
    {
        QString list = QString::fromStdWString(patterns);
        list.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QString::fromStdWString(label) + QStringLiteral(" (") + list + QLatin1Char(')');
    }
    return filters;
}

CFilePreviewDialog::CFilePreviewDialog(const QString& initialFolder, QWidget* parent) : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::HideNameFilterDetails);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilters(KnownImagesFilters());
    if (!initialFolder.isEmpty()) setDirectory(initialFolder);

    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    m_box = new CPreviewBox(m_image);
    column->addWidget(m_box, 0, Qt::AlignHCenter);
    QFont fixed = font();
    fixed.setFamily(QStringLiteral("monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    for (int i = 0; i < 13; ++i)
    {
        m_texts[i] = new QLabel;
        m_texts[i]->setObjectName(QString::number(1012 + i));
        m_texts[i]->setFont(fixed);
        m_texts[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (i == 12)
        {
            auto* row = new QHBoxLayout;
            row->addWidget(new QLabel(QStringLiteral("Type")));
            row->addWidget(m_texts[i], 1);
            column->addLayout(row);
        }
        else
            column->addWidget(m_texts[i]);
    }
    // The name (a whole path) takes two lines at most, below the picture, never over it.
    m_texts[0]->setWordWrap(true);
    m_texts[0]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_texts[0]->setFixedHeight(2 * QFontMetrics(fixed).lineSpacing());
    column->addStretch();
    // A width of its own: what a preview shows never takes room from the file list.
    panel->setFixedWidth(260);
    m_readOnly = new QCheckBox(QStringLiteral("Lecture seule"));
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
    {
        grid->addWidget(panel, 0, grid->columnCount(), grid->rowCount(), 1);
        grid->addWidget(m_readOnly, grid->rowCount(), 0, 1, 2);
    }
    connect(this, &QFileDialog::currentChanged, this, &CFilePreviewDialog::UpdatePreview);
    connect(this, &QFileDialog::directoryEntered, this, [this] { UpdatePreview(QString()); });
    // A name or a path typed in the name field is previewed as a chosen one is.
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        connect(edit, &QLineEdit::textEdited, this, &CFilePreviewDialog::OnNameTyped);
}

void CFilePreviewDialog::OnNameTyped(const QString& text)
{
    QString typed = text.trimmed();
    if (typed.startsWith(QStringLiteral("~/"))) typed.replace(0, 1, QDir::homePath());
    const QString path =
        typed.isEmpty() || QFileInfo(typed).isAbsolute() ? typed : directory().absoluteFilePath(typed);
    UpdatePreview(!path.isEmpty() && QFileInfo(path).isFile() ? path : QString());
}

bool CFilePreviewDialog::IsReadOnlyChecked() const
{
    return m_readOnly->isChecked();
}

QString CFilePreviewDialog::ChosenPath() const
{
    if (!m_typedPath.isEmpty()) return m_typedPath;
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

void CFilePreviewDialog::accept()
{
    // Qt lists no file whose name is not UTF-8, and refuses a typed name that names none of the
    // files it lists: such a name is looked for among the folder's other names first.
    m_typedPath.clear();
    const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString typed = edit ? edit->text().trimmed() : QString();
    if (!typed.isEmpty())
    {
        const QString full = QFileInfo(typed).isAbsolute() ? typed : directory().absoluteFilePath(typed);
        if (!QFileInfo::exists(full))
        {
            const QString found = ResolveTypedPath(full);
            if (!found.isEmpty() && KindOfFile(NativePath(found).toStdString()) == FileKind::Regular)
            {
                m_typedPath = found;
                QDialog::accept();
                return;
            }
        }
    }
    QFileDialog::accept();
}

QString CFilePreviewDialog::ControlText(int id) const
{
    if (id < 1012 || id > 1024) return {};
    return m_texts[id - 1012]->text();
}

void CFilePreviewDialog::ClearTexts(const QString& typeText)
{
    for (int i = 0; i < 12; ++i)
        m_texts[i]->clear();
    m_texts[12]->setText(typeText);
}

void CFilePreviewDialog::UpdatePreview(const QString& path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(NativePath(path).constData(), &st) != 0 || S_ISDIR(st.st_mode) ||
        IsExcludedFromPreview(path))
    {
        m_image.Destroy();
        ClearTexts(QString());
        m_box->ImageChanged();
        return;
    }
    const std::wstring full = WidePath(AbsolutePath(path));
    if (!m_image.Load(full.c_str(), &m_prop) || !m_image.HasBits())
    {
        m_image.Destroy();
        ClearTexts(QStringLiteral("(err)"));
        m_box->ImageChanged();
        return;
    }
    ClearTexts(QString());
    m_texts[0]->setText(DisplayPath(path));
    m_texts[12]->setText(PreviewTypeName(FCObjImage::GetCodecFactory()->QueryImageFileType(full.c_str())));
    m_texts[1]->setText(PreviewWidthText(m_image.Width()));
    m_texts[2]->setText(PreviewHeightText(m_image.Height()));
    m_texts[3]->setText(PreviewFormatText(m_image.ColorBits()));
    m_texts[4]->setText(PreviewSizeText(qint64(st.st_size)));
    auto narrow = [](const std::string& s) { return QString::fromStdWString(Bytes8ToWide(s)); };
    m_texts[5]->setText(narrow(m_prop.make));
    m_texts[6]->setText(narrow(m_prop.model));
    m_texts[7]->setText(narrow(m_prop.dateTaken));
    const struct
    {
        unsigned tag;
        int control;
    } items[] = {{34855, 8}, {33434, 9}, {33437, 10}, {37386, 11}};
    for (const std::string& packed : m_prop.rawItems)
    {
        PropertyItem item;
        if (!UnpackPropertyItem(packed, item)) continue;
        for (const auto& wanted : items)
            if (item.id == wanted.tag)
                m_texts[wanted.control]->setText(QString::fromStdWString(FormatPropertyValue(item)));
    }
    m_box->ImageChanged();
}

void CFilePreviewDialog::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    if (m_sized) return;
    // Sized once its parts are laid out, then centred again on its owner.
    m_sized = true;
    SizeFileDialogToColumns(*this, 540);
    adjustPosition(parentWidget());
}
