#include "shell/CConfigPropertyDlg.h"

#include "platform/qt/WindowMessages.h"
#include "platform/settings/Settings.h"
#include "resources/DialogBuilder.h"
#include "resources/DialogTemplates.h"
#include "shell/CPropertyListCtrl.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace
{
// The value of a row as the help text shows it.
QString ValueText(const CPropertyVariant& v)
{
    switch (v.Type())
    {
    case VT_I2:
    case VT_I4:
    case VT_UI1:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
        return QString::number(v.IntValue());
    case VT_BSTR:
        return QString::fromStdWString(v.TextValue());
    case VT_BOOL:
        return v.BoolValue() ? QStringLiteral("oui") : QStringLiteral("non");
    default:
        return QString();
    }
}

int IndexOf(const IProperty* row)
{
    CPropertyVariant v;
    if (!row || !row->GetValue(v)) return 0;
    return int(v.IntValue());
}

// The thread choice of a count: "1", "2", "4" or "8".
int ThreadIndex(int threads)
{
    if (threads < 2) return 0;
    if (threads < 4) return 1;
    if (threads < 8) return 2;
    return 3;
}
} // namespace

CConfigPropertyDlg::CConfigPropertyDlg(int flag, QWidget* parent, const DialogBaseUnits* base)
    : QDialog(parent), m_flag(flag)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const DialogTemplate* t = FindDialogTemplate(kTemplateId);
    const CDialogControls controls = BuildDialog(*this, *t, base,
                                                 [](const DialogControl& c, QWidget* dialogParent) -> QWidget*
                                                 {
                                                     if (c.id == kIdList)
                                                         return new CPropertyListCtrl(dialogParent);
                                                     return nullptr;
                                                 });
    m_list = controls.Get<CPropertyListCtrl>(kIdList);
    m_help = controls.Get<QLabel>(kIdHelp);
    for (int id : {1, 2, int(kIdApply)})
        m_buttons[id] = controls.Get<QPushButton>(id);
    connect(m_buttons[1], &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_buttons[2], &QPushButton::clicked, this, [this] { done(2); });
    connect(m_buttons[kIdApply], &QPushButton::clicked, this, [this] { OnApply(); });

    m_list->SetNotify(this);
    m_list->SetExtendedListStyle(PLS_CATEGORIZED);

    static const wchar_t* const kThreads[] = {L"1", L"2", L"4", L"8", nullptr};
    static const wchar_t* const kTransfer[] = {L"Natif (BMP Windows)", L"Mémoire", nullptr};
    m_catThreads = new CCategoryProperty(L"Threads");
    m_list->AddItem(m_catThreads);
    m_threads = CreatePropertyListItem(L"Nombre de threads:", kThreads, ThreadIndex(GetNbThreads()));
    m_list->AddItem(m_threads);
    m_catTwain = new CCategoryProperty(L"Twain");
    m_list->AddItem(m_catTwain);
    // Any nonzero stored value means memory transfer.
    m_twain =
        CreatePropertyListItem(L"Mode de transfert:", kTransfer, GetTwainMemoryTransfert() != 0 ? 1 : 0);
    m_list->AddItem(m_twain);
    m_catJpeg = new CCategoryProperty(L"Jpeg");
    m_list->AddItem(m_catJpeg);
    m_quality = new CPropertyEditItem(L"Qualité:", CPropertyVariant::I4(GetJpegQuality()));
    m_list->AddItem(m_quality);
    m_catExif = new CCategoryProperty(L"EXIF/Jpeg");
    m_list->AddItem(m_catExif);
    m_exifSoftware =
        new CPropertyCheckButtonItem(L"Enregistrer le nom du programme:", GetExifWriteSoftware() != 0);
    m_list->AddItem(m_exifSoftware);
    m_exifDate = new CPropertyCheckButtonItem(L"Mise jour de la date fichier:", GetExifWriteDate() != 0);
    m_list->AddItem(m_exifDate);
    m_catPrint = new CCategoryProperty(L"Impression : Mise en page");
    m_list->AddItem(m_catPrint);
    m_printScale =
        new CPropertyCheckButtonItem(L"Mise à l'échelle de la page:", GetPrintMiseALEchelle() != 0);
    m_list->AddItem(m_printScale);

    if (m_flag == 1)
        for (CCategoryProperty* c : {m_catThreads, m_catTwain, m_catJpeg, m_catExif})
            m_list->CollapseItem(c);
}

CConfigPropertyDlg::~CConfigPropertyDlg()
{
    // The list goes after this object: it must not report to it any more.
    if (m_list) m_list->SetNotify(nullptr);
}

QPushButton* CConfigPropertyDlg::Button(int id) const
{
    const auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

std::intptr_t CConfigPropertyDlg::OnPropertyNotify(int code, IProperty* property)
{
    if (code == PIN_SELCHANGED || code == PIN_ITEMCHANGED) UpdateHelp(property);
    return 0;
}

void CConfigPropertyDlg::UpdateHelp(IProperty* property)
{
    if (!property)
    {
        m_help->clear();
        return;
    }
    const QString name = QString::fromStdWString(property->GetName()).left(100);
    CPropertyVariant value;
    if (!property->GetValue(value)) value = CPropertyVariant();
    QString text;
    if (property == m_threads)
    {
        const int index = std::clamp(int(value.IntValue()), 0, 3);
        text = QStringLiteral("%1\t%2\n\n%3")
                   .arg(name)
                   .arg(1 << index)
                   .arg(QStringLiteral("Nombre de threads pour les traitements séparables"));
    }
    else if (property == m_twain)
    {
        std::wstring option;
        property->GetDisplayValue(option);
        text = name + QLatin1Char('\t') + QString::fromStdWString(option) +
               QStringLiteral("\n\nMode de transfert avec le scanner TWAIN");
    }
    else if (property == m_quality)
    {
        const int quality = int(std::clamp<std::int64_t>(value.IntValue(), 30, 100));
        if (quality != value.IntValue())
        {
            // Stored straight into the row: going through the list's set-value road would
            // notify again and bring us back here.
            m_quality->SetValue(CPropertyVariant::I4(quality));
            const int row = m_list->FindProperty(m_quality);
            m_list->InvalidateItem(row);
            if (row >= 0 && m_list->InplaceRow() == row) m_list->SpawnInplaceWindow(m_quality, row);
        }
        text = QStringLiteral("%1\t%2\n\n%3")
                   .arg(name)
                   .arg(quality)
                   .arg(QStringLiteral("Qualité JPEG : 30..100 - défaut 90"));
    }
    else
        text = name + QLatin1Char('\t') + ValueText(value);
    m_help->setText(text);
}

void CConfigPropertyDlg::OnApply()
{
    SetNbThreads(1 << std::clamp(IndexOf(m_threads), 0, 3));
    SetTwainMemoryTransfert(std::max(0, IndexOf(m_twain)));
    CPropertyVariant v;
    m_quality->GetValue(v);
    SetJpegQuality(int(v.IntValue()));
    m_exifSoftware->GetValue(v);
    SetExifWriteSoftware(int(v.IntValue()));
    m_exifDate->GetValue(v);
    SetExifWriteDate(int(v.IntValue()));
    m_printScale->GetValue(v);
    SetPrintMiseALEchelle(int(v.IntValue()));
    PostToTopLevel(this, WM_SETTINGS_CHANGED, 0, 0);
}

void CConfigPropertyDlg::OnOK()
{
    OnApply();
    done(1);
}

void CConfigPropertyDlg::reject()
{
    done(2);
}

int RunConfigPropertyDlg(int flag, QWidget* parent)
{
    CConfigPropertyDlg dialog(flag, parent);
    return dialog.exec();
}
