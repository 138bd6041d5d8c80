#include "dialogs/CNiveauxCouleursDialog.h"

#include "imagelib/qt/FCObjImageQt.h"

#include <QComboBox>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

// ---- The strips ----

CNiveauxCouleursDialog::CArrowSliderBase::CArrowSliderBase(CNiveauxCouleursDialog* owner, QWidget* parent)
    : QWidget(parent), m_pOwner(owner)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CNiveauxCouleursDialog::CArrowSliderBase::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Paint(painter, rect());
}

void CNiveauxCouleursDialog::CArrowSliderBase::Drag(QPoint point)
{
    if (m_arrow < 0 || !MoveArrow(point, m_arrow)) return;
    repaint();
    m_pOwner->UpdatePreview();
}

void CNiveauxCouleursDialog::CArrowSliderBase::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
    {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    m_arrow = HitTest(p.x());
    Drag(p);
}

void CNiveauxCouleursDialog::CArrowSliderBase::mouseMoveEvent(QMouseEvent* event)
{
    if (m_arrow >= 0 && (event->buttons() & Qt::LeftButton)) Drag(event->position().toPoint());
}

void CNiveauxCouleursDialog::CArrowSliderBase::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_arrow < 0) return;
    Drag(event->position().toPoint());
    m_arrow = -1;
    update();
}

int CNiveauxCouleursDialog::CInputSlider::HitTest(int x) const
{
    const int pb = levels::ArrowX(m_levels.black, ScaleLeft(), ScaleRight());
    const int pw = levels::ArrowX(m_levels.white, ScaleLeft(), ScaleRight());
    return levels::InputHitTest(x, pb, pw, levels::GammaX(pb, pw, m_levels.gamma));
}

bool CNiveauxCouleursDialog::CInputSlider::MoveArrow(QPoint point, int arrow)
{
    return levels::MoveInputArrow(m_levels, arrow, point.x(), ScaleLeft(), ScaleRight());
}

int CNiveauxCouleursDialog::COutputSlider::HitTest(int x) const
{
    return levels::OutputHitTest(x, levels::ArrowX(m_levels.black, ScaleLeft(), ScaleRight()),
                                 levels::ArrowX(m_levels.white, ScaleLeft(), ScaleRight()));
}

bool CNiveauxCouleursDialog::COutputSlider::MoveArrow(QPoint point, int arrow)
{
    return levels::MoveOutputArrow(m_levels, arrow, point.x(), ScaleLeft(), ScaleRight());
}

namespace
{
// The frame of the histogram or gradient: light grey, then white one pixel in; the area inside
// it is one more pixel in. l, t, r, b as edges (r and b exclusive).
QRect FramedArea(QPainter& painter, int l, int t, int r, int b)
{
    painter.fillRect(QRect(l, t, r - l, b - t), QColor(0xC0, 0xC0, 0xC0));
    painter.fillRect(QRect(l + 1, t + 1, r - l - 2, b - t - 2), Qt::white);
    return QRect(l + 2, t + 2, r - l - 4, b - t - 4);
}

void DrawLevelText(QPainter& painter, const QRect& box, const QString& text, Qt::Alignment horizontal)
{
    painter.setPen(Qt::black);
    painter.drawText(box, int(horizontal | Qt::AlignTop | Qt::TextSingleLine), text);
}
} // namespace

QString CNiveauxCouleursDialog::GammaText(int gammaHundredths)
{
    return QString::asprintf("gamma %.2f", gammaHundredths * 0.01);
}

void CNiveauxCouleursDialog::DrawLevelArrow(QPainter& painter, int y, int x, QColor colour)
{
    const QPoint triangle[3] = {QPoint(x - 5, y + 10), QPoint(x + 5, y + 10), QPoint(x, y)};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(triangle, 3, Qt::OddEvenFill);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(triangle, 3, Qt::OddEvenFill);
    painter.restore();
}

void CNiveauxCouleursDialog::CInputSlider::Paint(QPainter& painter, const QRect& rc)
{
    const int left = rc.x(), top = rc.y(), right = rc.x() + rc.width(), bottom = rc.y() + rc.height();
    painter.fillRect(rc, palette().color(QPalette::Button));
    const QRect area = FramedArea(painter, left + 6, top, right - 6, bottom - 38);
    if (!area.isEmpty())
        DrawToDC(m_pOwner->Histogram(m_pOwner->Channel()), painter,
                 RECT{area.x(), area.y(), area.x() + area.width(), area.y() + area.height()});

    const int pb = levels::ArrowX(m_levels.black, ScaleLeft(), ScaleRight());
    const int pw = levels::ArrowX(m_levels.white, ScaleLeft(), ScaleRight());
    const int row = bottom - 38;
    DrawLevelArrow(painter, row, pb, QColor(0, 0, 0));
    DrawLevelArrow(painter, row, pw, QColor(255, 255, 255));
    DrawLevelArrow(painter, row, levels::GammaX(pb, pw, m_levels.gamma), QColor(0x85, 0x85, 0x85));

    const QRect text(left + 6, bottom - 23, right - (left + 6), 23);
    DrawLevelText(painter, text, QString::asprintf("%d", m_levels.black), Qt::AlignLeft);
    DrawLevelText(painter, text, QString::asprintf("%d", m_levels.white), Qt::AlignRight);
    DrawLevelText(painter, text, GammaText(m_levels.gamma), Qt::AlignHCenter);
}

void CNiveauxCouleursDialog::COutputSlider::Paint(QPainter& painter, const QRect& rc)
{
    const int left = rc.x(), top = rc.y(), right = rc.x() + rc.width(), bottom = rc.y() + rc.height();
    painter.fillRect(rc, palette().color(QPalette::Button));
    const QRect area = FramedArea(painter, left + 6, top, right - 6, top + 16);
    if (!area.isEmpty())
    {
        QLinearGradient gradient(area.x(), 0, area.x() + area.width(), 0);
        gradient.setColorAt(0.0, QColor(0, 0, 0));
        gradient.setColorAt(1.0, m_pOwner->ChannelColour());
        painter.fillRect(area, gradient);
    }
    const int row = top + 16;
    DrawLevelArrow(painter, row, levels::ArrowX(m_levels.black, ScaleLeft(), ScaleRight()), QColor(0, 0, 0));
    DrawLevelArrow(painter, row, levels::ArrowX(m_levels.white, ScaleLeft(), ScaleRight()),
                   QColor(255, 255, 255));

    const QRect text(left + 6, top + 31, right - (left + 6), bottom - (top + 31));
    DrawLevelText(painter, text, QString::asprintf("%d", m_levels.black), Qt::AlignLeft);
    DrawLevelText(painter, text, QString::asprintf("%d", m_levels.white), Qt::AlignRight);
}

// ---- The dialog ----

CNiveauxCouleursDialog::CNiveauxCouleursDialog(IPreviewDocument* doc, const FCObjImage& picture,
                                               QWidget* parent, const DialogBaseUnits* base)
    : CEffectDialogBase(doc, 217, parent, base,
                        [this](const DialogControl& c, QWidget* owner) -> QWidget*
                        {
                            if (c.id == kInputId) return new CInputSlider(this, owner);
                            if (c.id == kOutputId) return new COutputSlider(this, owner);
                            return nullptr;
                        }),
      m_histograms(levels::BuildHistograms(picture))
{
    m_pInput = dynamic_cast<CInputSlider*>(Controls().Get(kInputId));
    m_pOutput = dynamic_cast<COutputSlider*>(Controls().Get(kOutputId));
    m_pCombo = Control<QComboBox>(kComboId);
    if (m_pCombo) connect(m_pCombo, &QComboBox::activated, this, [this](int) { OnChannelChange(); });
}

void CNiveauxCouleursDialog::OnInitDialog()
{
    if (!m_pCombo) return;
    const QSignalBlocker block(m_pCombo);
    m_pCombo->clear();
    for (const char* name : {"RVB", "Rouge", "Vert", "Bleu"})
        m_pCombo->addItem(QString::fromUtf8(name));
    m_pCombo->setCurrentIndex(0);
    // No preview: the picture stays as it is until an arrow moves or a channel is chosen.
}

QColor CNiveauxCouleursDialog::ChannelColour() const
{
    switch (m_nChannel)
    {
    case 1:
        return QColor(255, 0, 0);
    case 2:
        return QColor(0, 255, 0);
    case 3:
        return QColor(0, 0, 255);
    default:
        return QColor(255, 255, 255);
    }
}

ColorLevelValues CNiveauxCouleursDialog::Values() const
{
    ColorLevelValues v;
    if (m_pInput)
    {
        v.inBlack = m_pInput->m_levels.black;
        v.inWhite = m_pInput->m_levels.white;
        v.gammaHundredths = m_pInput->m_levels.gamma;
    }
    if (m_pOutput)
    {
        v.outBlack = m_pOutput->m_levels.black;
        v.outWhite = m_pOutput->m_levels.white;
    }
    v.channelMask = m_nMask;
    return v;
}

std::unique_ptr<FCImageEffect> CNiveauxCouleursDialog::MakeEffect() const
{
    return MakeColorLevelEffect(Values());
}

void CNiveauxCouleursDialog::OnChannelChange()
{
    m_nChannel = m_pCombo->currentIndex();
    m_nMask = ChannelMaskOf(m_nChannel, m_nMask);
    if (m_nChannel < 0 || m_nChannel > 3) m_nChannel = 0; // the histogram shown stays a real one
    RepaintStrips();
    UpdatePreview();
}

void CNiveauxCouleursDialog::OnReset()
{
    if (m_pInput) m_pInput->m_levels = levels::InputLevels{};
    if (m_pOutput) m_pOutput->m_levels = levels::OutputLevels{};
    if (m_pCombo)
    {
        const QSignalBlocker block(m_pCombo);
        m_pCombo->setCurrentIndex(0);
        m_nChannel = std::max(0, m_pCombo->currentIndex());
    }
    m_nMask = ChannelMaskOf(m_nChannel, m_nMask);
    RepaintStrips();
    ResetPreview();
}

void CNiveauxCouleursDialog::RepaintStrips()
{
    if (m_pInput) m_pInput->update();
    if (m_pOutput) m_pOutput->update();
}
