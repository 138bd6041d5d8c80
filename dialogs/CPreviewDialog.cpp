#include "dialogs/CPreviewDialog.h"

#include "document/IPreviewDocument.h"
#include "imagelib/FCImageEffect.h"

#include <QLabel>
#include <QPainter>

CPreviewDialog::CPreviewDialog(IPreviewDocument* doc) : m_pDoc(doc)
{
    if (m_pDoc)
    {
        m_pDoc->BeginPreview();
        m_bPreviewActive = 1;
    }
}

CPreviewDialog::~CPreviewDialog()
{
    CPreviewDialog::EndPreview();
}

void CPreviewDialog::EndPreview()
{
    if (m_pDoc && m_bPreviewActive) m_pDoc->EndPreview();
    m_bPreviewActive = 0;
}

void CPreviewDialog::SetPreviewEffect(std::unique_ptr<FCImageEffect> effect)
{
    if (!m_pDoc || !m_bPreviewActive) return; // the effect goes with this call
    m_pDoc->RunPreview(effect.release());
}

void CPreviewDialog::ResetPreview()
{
    if (m_pDoc && m_bPreviewActive) m_pDoc->ResetPreview();
}

bool CPreviewDialog::DrawSliderThumb(int, QPainter&, const CTrackBar&)
{
    return false;
}

void CPreviewDialog::DrawSliderChannel(int, QPainter& painter, const QRect& channel, const CTrackBar& bar)
{
    DrawSunkenChannel(painter, channel, bar);
}

void CPreviewDialog::DrawSunkenChannel(QPainter& painter, const QRect& r, const CTrackBar& bar)
{
    if (r.isEmpty()) return;
    const QPalette& palette = bar.palette();
    const QColor shadow = palette.color(QPalette::Dark);
    const QColor light = palette.color(QPalette::Light);
    const int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    painter.fillRect(r, palette.color(QPalette::Button));
    painter.fillRect(QRect(x, y, w - 1, 1), shadow);    // top, without the last column
    painter.fillRect(QRect(x, y, 1, h - 1), shadow);    // left, without the last row
    painter.fillRect(QRect(x + w - 1, y, 1, h), light); // right
    painter.fillRect(QRect(x, y + h - 1, w, 1), light); // bottom
}

void CPreviewDialog::SetSliderValueLabel(QLabel* label, int value)
{
    if (label) label->setText(QString::asprintf("%d", value));
}
