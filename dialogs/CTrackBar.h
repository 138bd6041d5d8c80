// The horizontal trackbar of the effect dialogs: a slider whose page size is a tenth of its range
// and whose ticks are half a range apart, drawn in three steps: the ticks, then the channel, which
// the dialog that owns the trackbar paints (a plain sunken channel, a colour bar, a ramp), then
// the thumb on top of it.
#pragma once

#include <QSlider>

class CTrackBar;
class QPainter;

// What a trackbar asks of the dialog that owns it while it paints.
class CTrackBarOwner
{
public:
    virtual ~CTrackBarOwner() = default;
    // Draws the thumb of trackbar id itself and answers true, or answers false to let the
    // trackbar draw its own.
    virtual bool DrawSliderThumb(int id, QPainter& painter, const CTrackBar& bar) = 0;
    // Paints the channel of trackbar id; channel is the trackbar's 4-pixel channel in its own
    // coordinates. The thumb is drawn afterwards.
    virtual void DrawSliderChannel(int id, QPainter& painter, const QRect& channel, const CTrackBar& bar) = 0;
};

class CTrackBar : public QSlider
{
    Q_OBJECT

public:
    // id: the control id the owner is told; owner may be null (the style's own channel).
    CTrackBar(int id, CTrackBarOwner* owner, QWidget* parent = nullptr);

    int ControlId() const { return m_id; }
    void SetOwner(CTrackBarOwner* owner) { m_owner = owner; }

    // The range, then the page size (max - min) / 10 and the tick spacing (max - min) / 2,
    // integer divisions of the range (2..8 gives 0 and 3). The position is left to the caller.
    void SetRangeAndSteps(int min, int max);
    static int PageSizeOf(int min, int max);
    static int TickSpacingOf(int min, int max);

    // In the trackbar's coordinates: the channel (the groove's width, 4 pixels high, centred on
    // the thumb) and the thumb.
    QRect ChannelRect() const;
    QRect ThumbRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_id;
    CTrackBarOwner* m_owner;
};
