#include "dialogs/CTrackBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

CTrackBar::CTrackBar(int id, CTrackBarOwner* owner, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), m_id(id), m_owner(owner)
{
}

int CTrackBar::PageSizeOf(int min, int max)
{
    return int((static_cast<long long>(max) - min) / 10);
}

int CTrackBar::TickSpacingOf(int min, int max)
{
    return int((static_cast<long long>(max) - min) / 2);
}

void CTrackBar::SetRangeAndSteps(int min, int max)
{
    setRange(min, max);
    setPageStep(PageSizeOf(min, max));
    setTickInterval(TickSpacingOf(min, max));
}

QRect CTrackBar::ChannelRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect thumb = ThumbRect();
    return QRect(groove.left(), thumb.center().y() - 1, groove.width(), 4);
}

QRect CTrackBar::ThumbRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void CTrackBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    if (!m_owner)
    {
        style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
        return;
    }

    // The ticks first, then the owner's channel, then the thumb over the channel.
    QStyleOptionSlider ticks = option;
    ticks.subControls = QStyle::SC_SliderTickmarks;
    style()->drawComplexControl(QStyle::CC_Slider, &ticks, &painter, this);

    painter.save();
    m_owner->DrawSliderChannel(m_id, painter, ChannelRect(), *this);
    painter.restore();

    painter.save();
    const bool drawn = m_owner->DrawSliderThumb(m_id, painter, *this);
    painter.restore();
    if (!drawn)
    {
        QStyleOptionSlider thumb = option;
        thumb.subControls = QStyle::SC_SliderHandle;
        style()->drawComplexControl(QStyle::CC_Slider, &thumb, &painter, this);
    }
}
