#include "resources/DialogBuilder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>

QWidget* CDialogControls::Get(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

QString DialogControlName(int id)
{
    return QStringLiteral("ctl%1").arg(id);
}

namespace
{
QString Text(const DialogControl& c)
{
    return c.text ? QString::fromUtf8(c.text) : QString();
}

QWidget* MakeStandard(const DialogControl& c, QWidget* parent)
{
    switch (c.kind)
    {
    case DlgKind::Button:
    case DlgKind::DefButton:
    {
        auto* b = new QPushButton(Text(c), parent);
        b->setAutoDefault(false);
        if (c.kind == DlgKind::DefButton) b->setDefault(true);
        return b;
    }
    case DlgKind::Static:
    {
        auto* l = new QLabel(Text(c), parent);
        Qt::Alignment align = Qt::AlignLeft;
        if (c.flags & kDlgAlignRight) align = Qt::AlignRight;
        if (c.flags & kDlgAlignCenter) align = Qt::AlignHCenter;
        align |= (c.flags & kDlgCenterV) ? Qt::AlignVCenter : Qt::AlignTop;
        l->setAlignment(align);
        l->setWordWrap((c.flags & kDlgWordWrap) != 0);
        if (c.flags & kDlgSunken) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setTextFormat(Qt::PlainText);
        return l;
    }
    case DlgKind::Edit:
    {
        if (c.flags & kDlgMultiLine)
        {
            auto* e = new QPlainTextEdit(Text(c), parent);
            e->setReadOnly((c.flags & kDlgReadOnly) != 0);
            e->setVerticalScrollBarPolicy((c.flags & kDlgVScroll) ? Qt::ScrollBarAsNeeded
                                                                  : Qt::ScrollBarAlwaysOff);
            return e;
        }
        auto* e = new QLineEdit(Text(c), parent);
        e->setReadOnly((c.flags & kDlgReadOnly) != 0);
        if (c.flags & kDlgDigits)
            e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
        return e;
    }
    case DlgKind::CheckBox:
        return new QCheckBox(Text(c), parent);
    case DlgKind::Radio:
        return new QRadioButton(Text(c), parent);
    case DlgKind::PushRadio:
    {
        auto* b = new QPushButton(Text(c), parent);
        b->setCheckable(true);
        b->setAutoDefault(false);
        return b;
    }
    case DlgKind::GroupBox:
        return new QGroupBox(Text(c), parent);
    case DlgKind::Trackbar:
    {
        auto* s = new QSlider(Qt::Horizontal, parent);
        if (c.flags & kDlgTicksTop)
            s->setTickPosition(QSlider::TicksAbove);
        else if (c.flags & kDlgTicksBottom)
            s->setTickPosition(QSlider::TicksBelow);
        return s;
    }
    case DlgKind::Combo:
        return new QComboBox(parent);
    case DlgKind::ListBox:
        return new QListWidget(parent);
    case DlgKind::Progress:
    {
        auto* p = new QProgressBar(parent);
        p->setTextVisible(false);
        return p;
    }
    case DlgKind::Custom:
        return new QWidget(parent);
    }
    return new QWidget(parent);
}
} // namespace

CDialogControls BuildDialog(QDialog& dialog, const DialogTemplate& t, const DialogBaseUnits* base,
                            const DialogControlFactory& factory)
{
    const DialogBaseUnits units = base ? *base : BaseUnitsOf(dialog.font());
    CDialogControls controls;
    QButtonGroup* group = nullptr;
    std::vector<QWidget*> frames;
    for (const DialogControl& c : t.controls)
    {
        QWidget* w = factory ? factory(c, &dialog) : nullptr;
        if (!w) w = MakeStandard(c, &dialog);
        if (w->parentWidget() != &dialog) w->setParent(&dialog);
        QRect r = DluRectToPixels(c.x, c.y, c.w, c.h, units);
        if (c.kind == DlgKind::Combo) r.setHeight(w->sizeHint().height());
        w->setGeometry(r);
        if (c.id != kDlgNoId)
        {
            w->setObjectName(DialogControlName(c.id));
            controls.Add(c.id, w);
        }
        if (c.kind == DlgKind::Radio || c.kind == DlgKind::PushRadio)
        {
            if (!group || (c.flags & kDlgGroupStart))
            {
                group = new QButtonGroup(&dialog);
                group->setExclusive(true);
            }
            if (auto* button = qobject_cast<QAbstractButton*>(w)) group->addButton(button, c.id);
        }
        else
            group = nullptr; // a radio after another control starts a group of its own
        if (c.kind == DlgKind::GroupBox) frames.push_back(w);
    }
    for (QWidget* frame : frames)
        frame->lower();
    dialog.setWindowTitle(t.caption ? QString::fromUtf8(t.caption) : QString());
    dialog.setFixedSize(DluToPixelsX(t.width, units), DluToPixelsY(t.height, units));
    return controls;
}
