#include "shell/CSizedialog.h"

#include "shell/DialogRules.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace
{
struct FilterEntry
{
    const char* label;
    int filter; // FreeImage's number of the rescale filter
};
const FilterEntry kFilters[] = {
    {"Box, pulse", 0},           {"Bicubic", 1},         {"Bilinear", 2}, {"BSpline", 3},
    {"Catmull - Rom spline", 4}, {"Lanczos3 filter", 5},
};
// The fields read at most this many characters, as they always have.
constexpr int kSizeTextMax = 99;
} // namespace

CSizedialog::CSizedialog(int width, int height, QWidget* parent, const DialogBaseUnits* base)
    : QDialog(parent), m_width(width), m_height(height)
{
    m_controls = BuildDialog(*this, *FindDialogTemplate(210), base);
    HeightEdit()->setText(QString::number(m_height));
    WidthEdit()->setText(QString::number(m_width));
    HeightEdit()->setMaxLength(20);
    WidthEdit()->setMaxLength(20);
    QComboBox* combo = FilterCombo();
    for (const FilterEntry& f : kFilters)
        combo->addItem(QString::fromUtf8(f.label), f.filter);
    combo->setCurrentIndex(1); // "Bicubic"
    combo->setEnabled(false);
    connect(m_controls.Get<QAbstractButton>(1033), &QAbstractButton::toggled, this,
            [this] { OnAutoHeight(); });
    connect(m_controls.Get<QAbstractButton>(1034), &QAbstractButton::toggled, this,
            [this] { OnAutoWidth(); });
    connect(m_controls.Get<QAbstractButton>(1097), &QAbstractButton::toggled, this,
            [this] { OnUseFreeImage(); });
    connect(m_controls.Get<QPushButton>(1), &QPushButton::clicked, this, &QDialog::accept);
    connect(m_controls.Get<QPushButton>(2), &QPushButton::clicked, this, &QDialog::reject);
    WidthEdit()->setFocus();
}

QLineEdit* CSizedialog::WidthEdit() const
{
    return m_controls.Get<QLineEdit>(1029);
}

QLineEdit* CSizedialog::HeightEdit() const
{
    return m_controls.Get<QLineEdit>(1031);
}

QComboBox* CSizedialog::FilterCombo() const
{
    return m_controls.Get<QComboBox>(1098);
}

void CSizedialog::OnAutoHeight()
{
    m_bAutoHeight = m_controls.Get<QAbstractButton>(1033)->isChecked();
    for (int id : {1031, 1035, 1034})
        m_controls.Get(id)->setEnabled(!m_bAutoHeight);
}

void CSizedialog::OnAutoWidth()
{
    m_bAutoWidth = m_controls.Get<QAbstractButton>(1034)->isChecked();
    for (int id : {1029, 1036, 1033})
        m_controls.Get(id)->setEnabled(!m_bAutoWidth);
}

void CSizedialog::OnUseFreeImage()
{
    FilterCombo()->setEnabled(m_controls.Get<QAbstractButton>(1097)->isChecked());
}

void CSizedialog::OnOK()
{
    m_height = WToI(HeightEdit()->text().left(kSizeTextMax));
    m_width = WToI(WidthEdit()->text().left(kSizeTextMax));
    m_bFreeImage = m_controls.Get<QAbstractButton>(1097)->isChecked();
    m_filter = FilterCombo()->currentData().toInt();
}

void CSizedialog::done(int result)
{
    OnOK();
    QDialog::done(result);
}
