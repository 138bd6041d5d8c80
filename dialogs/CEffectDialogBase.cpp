#include "dialogs/CEffectDialogBase.h"

#include "imagelib/FCImageEffect.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

CEffectDialogBase::CEffectDialogBase(IPreviewDocument* doc, int templateId, QWidget* parent,
                                     const DialogBaseUnits* base, const DialogControlFactory& factory)
    : QDialog(parent), CPreviewDialog(doc)
{
    if (const DialogTemplate* t = FindDialogTemplate(templateId))
        m_controls = BuildDialog(*this, *t, base,
                                 [this, &factory](const DialogControl& c, QWidget* owner) -> QWidget*
                                 {
                                     if (c.kind == DlgKind::Trackbar)
                                     {
                                         auto* bar = new CTrackBar(c.id, this, owner);
                                         bar->setTickPosition((c.flags & kDlgTicksTop) ? QSlider::TicksAbove
                                                                                       : QSlider::TicksBelow);
                                         return bar;
                                     }
                                     return factory ? factory(c, owner) : nullptr;
                                 });
    FitTexts(*this);
    if (auto* ok = m_controls.Get<QPushButton>(1))
        connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    if (auto* cancel = m_controls.Get<QPushButton>(2))
        connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    if (auto* reset = m_controls.Get<QPushButton>(kResetId))
        connect(reset, &QPushButton::clicked, this, [this] { OnReset(); });
}

CEffectDialogBase::~CEffectDialogBase()
{
    // The trackbars outlive this part of the object: they must not ask it to paint.
    for (const auto& [id, widget] : m_controls.All())
        if (auto* bar = qobject_cast<CTrackBar*>(widget)) bar->SetOwner(nullptr);
}

void CEffectDialogBase::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_initialised) return;
    m_initialised = true;
    OnInitDialog();
}

void CEffectDialogBase::accept()
{
    EndPreview();
    done(1);
}

void CEffectDialogBase::reject()
{
    EndPreview();
    done(2);
}

void CEffectDialogBase::FitTexts(QDialog& dialog)
{
    const QList<QWidget*> children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* widget : children)
    {
        const auto* label = qobject_cast<QLabel*>(widget);
        const bool leftLabel = label && !label->wordWrap() && (label->alignment() & Qt::AlignLeft);
        if (!leftLabel && !qobject_cast<QCheckBox*>(widget) && !qobject_cast<QRadioButton*>(widget)) continue;
        widget->ensurePolished();
        const QRect r = widget->geometry();
        const int needed = widget->sizeHint().width();
        if (needed <= r.width()) continue;
        int limit = dialog.width() - 4;
        for (const QWidget* other : children)
        {
            const QRect o = other->geometry();
            if (other == widget || o.left() < r.left() + r.width() || o.bottom() < r.top() ||
                o.top() > r.bottom())
                continue;
            limit = std::min(limit, o.left() - 2);
        }
        const int width = std::clamp(needed, r.width(), std::max(r.width(), limit - r.left()));
        widget->resize(width, r.height());
    }
}
