#include "shell/CAboutDlg.h"

#include "platform/qt/ShellVerbs.h"
#include "platform/settings/Settings.h"
#include "platform/version/VersionInfo.h"
#include "resources/CommandIds.h"
#include "resources/ResourceBuilder.h"
#include "shell/ShellText.h"

#include "imagelib/codecs/FreeImageInclude.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <fftw3.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>

#include <algorithm>
#include <climits>
#include <cstdio>

bool QueryMemory(unsigned long long& available, unsigned long long& total)
{
    struct sysinfo info
    {
    };
    if (sysinfo(&info) != 0) return false;
    total = static_cast<unsigned long long>(info.totalram) * info.mem_unit;
    available = static_cast<unsigned long long>(info.freeram + info.bufferram) * info.mem_unit;
    // MemAvailable counts the reclaimable cache too, which is what "free" means to a user.
    if (FILE* f = std::fopen("/proc/meminfo", "r"))
    {
        char line[256];
        while (std::fgets(line, sizeof line, f))
        {
            unsigned long long kb = 0;
            if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1)
            {
                available = kb * 1024;
                break;
            }
        }
        std::fclose(f);
    }
    return true;
}

bool QueryDiskFree(const QString& folder, unsigned long long& freeBytes)
{
    struct statvfs fs
    {
    };
    if (statvfs(QFile::encodeName(folder).constData(), &fs) != 0) return false;
    freeBytes = static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize;
    return true;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("A propos d'Orvalis"));
    auto* icon = new QLabel;
    icon->setPixmap(ArtPixmap("picture", 2));
    icon->setAlignment(Qt::AlignTop);
    m_version = new QLabel(QStringLiteral("placeholder"));
    m_copyright = new QLabel;
    m_memory = new QLabel(QStringLiteral("(dispo)"));
    m_disk = new QLabel(QStringLiteral("(dispo)"));
    m_link = new QLabel(QStringLiteral("<a href=\"#\">Site Web de l'Auteur...</a>"));
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(m_link, &QLabel::linkActivated, this, [this] { OnLinkClick(); });
    m_freeImage = new QLabel(QStringLiteral("Static"));
    m_fftw = new QLabel(QStringLiteral("Static"));
    m_ok = new QPushButton(QStringLiteral("OK"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout;
    grid->addWidget(m_version, 0, 0, 1, 2);
    grid->addWidget(m_copyright, 1, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Mémoire: ")), 2, 0);
    grid->addWidget(m_memory, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Disque:")), 3, 0);
    grid->addWidget(m_disk, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Utilise:")), 4, 0);
    grid->addWidget(m_freeImage, 4, 1);
    grid->addWidget(m_fftw, 5, 1);
    grid->addWidget(m_link, 6, 0, 1, 2);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(grid, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    OnInitDialog();
}

QLabel* CAboutDlg::Control(int id) const
{
    switch (id)
    {
    case 1000:
        return m_memory;
    case 1001:
        return m_disk;
    case 1002:
        return m_version;
    case 1003:
        return m_copyright;
    case 1094:
        return m_link;
    case 1096:
        return m_freeImage;
    case 1097:
        return m_fftw;
    default:
        return nullptr;
    }
}

void CAboutDlg::OnInitDialog()
{
    const CVersionInfo version;
    m_copyright->setText(QString::fromWCharArray(version.QueryValue(L"LegalCopyright")));
    m_version->setText(AboutVersionLine(QString::fromWCharArray(version.QueryValue(L"FileDescription")),
                                        QString::fromWCharArray(version.QueryValue(L"FileVersion"))));
    unsigned long long available = 0, total = 0;
    if (QueryMemory(available, total)) m_memory->setText(AboutMemoryText(available, total));
    unsigned long long freeBytes = 0;
    if (QueryDiskFree(QStringLiteral("."), freeBytes))
        m_disk->setText(AboutDiskText(DiskLabel(QDir::currentPath()), freeBytes));
    else
        m_disk->setText(ResString(203));
    m_freeImage->setText(QStringLiteral("FreeImage version ") +
                         QString::fromLocal8Bit(FreeImage_GetVersion()));
    m_fftw->setText(QStringLiteral("FFTW3 version ") + QString::fromLocal8Bit(fftwf_version));
    adjustSize();
}

void CAboutDlg::OnLinkClick()
{
    ShellVerbs().Open(QString::fromWCharArray(GetWebPageAddress()));
}

CSplashDlg::CSplashDlg(QWidget* parent) : CAboutDlg(parent)
{
    // The splash never takes the focus: the main window shown after it is the active window from
    // the start (its tooltips show, dialogs sit on it), and nothing has to be handed back when
    // the splash moves into it.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setObjectName(QStringLiteral("SplashScreen"));
}

void CSplashDlg::OnInitDialog(long long milliseconds)
{
    OkButton()->hide();
    Control(1094)->hide();
    adjustSize();
    const int delay = int(std::clamp<long long>(milliseconds, 0, INT_MAX));
    QTimer::singleShot(delay, this, &QWidget::hide);
}
