// "Niveaux de couleurs": the input and output levels, the gamma and the channel of the levels
// effect, set by dragging the arrows under two strips. The input strip shows the histogram of the
// chosen channel with its black, gamma and white arrows; the output strip a gradient from black
// to the channel's colour with its black and white arrows. Every arrow that moves to a new level
// and every channel chosen previews; nothing is previewed at the start, and "RAZ" shows the
// picture as it was without a new preview.
#pragma once

#include "dialogs/CEffectDialogBase.h"
#include "dialogs/LevelStrips.h"
#include "document/DedicatedDialogCommands.h"

class QComboBox;

class CNiveauxCouleursDialog : public CEffectDialogBase
{
public:
    // One strip: a button-like area whose arrows follow the mouse while its button is held.
    class CArrowSliderBase : public QWidget
    {
    public:
        CArrowSliderBase(CNiveauxCouleursDialog* owner, QWidget* parent);
        // The arrow a click at x takes.
        virtual int HitTest(int x) const = 0;
        // Moves the arrow to the point; true when a level or the gamma changed.
        virtual bool MoveArrow(QPoint point, int arrow) = 0;
        virtual void Paint(QPainter& painter, const QRect& rc) = 0;

        // The strip's scale, in its own coordinates.
        int ScaleLeft() const { return 0; }
        int ScaleRight() const { return width(); }

    protected:
        void paintEvent(QPaintEvent* event) override;
        void mousePressEvent(QMouseEvent* event) override;
        void mouseMoveEvent(QMouseEvent* event) override;
        void mouseReleaseEvent(QMouseEvent* event) override;

        CNiveauxCouleursDialog* m_pOwner;

    private:
        void Drag(QPoint point);
        int m_arrow = -1; // the arrow being dragged, -1 when none
    };

    class CInputSlider : public CArrowSliderBase
    {
    public:
        using CArrowSliderBase::CArrowSliderBase;
        int HitTest(int x) const override;
        bool MoveArrow(QPoint point, int arrow) override;
        void Paint(QPainter& painter, const QRect& rc) override;
        levels::InputLevels m_levels;
    };

    class COutputSlider : public CArrowSliderBase
    {
    public:
        using CArrowSliderBase::CArrowSliderBase;
        int HitTest(int x) const override;
        bool MoveArrow(QPoint point, int arrow) override;
        void Paint(QPainter& painter, const QRect& rc) override;
        levels::OutputLevels m_levels;
    };

    // picture: the document's image as it is now; its histograms are counted here, once.
    CNiveauxCouleursDialog(IPreviewDocument* doc, const FCObjImage& picture, QWidget* parent = nullptr,
                           const DialogBaseUnits* base = nullptr);

    ColorLevelValues Values() const;
    std::unique_ptr<FCImageEffect> MakeEffect() const override;

    int Channel() const { return m_nChannel; }
    const FCObjImage& Histogram(int channel) const { return m_histograms[std::size_t(channel)]; }
    CInputSlider* InputStrip() const { return m_pInput; }
    COutputSlider* OutputStrip() const { return m_pOutput; }
    QComboBox* ChannelList() const { return m_pCombo; }

    static constexpr int kComboId = 1057, kInputId = 1058, kOutputId = 1059;

    // The gamma under the input strip: "gamma 1.00" (a decimal point whatever the locale).
    static QString GammaText(int gammaHundredths);
    // A levels arrow: a triangle of 10 by 10 pixels whose tip touches row y at x, filled with the
    // colour and outlined in black.
    static void DrawLevelArrow(QPainter& painter, int y, int x, QColor colour);

protected:
    void OnInitDialog() override;
    void OnReset() override;

private:
    void OnChannelChange();
    void RepaintStrips();
    QColor ChannelColour() const;

    CInputSlider* m_pInput = nullptr;
    COutputSlider* m_pOutput = nullptr;
    QComboBox* m_pCombo = nullptr;
    int m_nChannel = 0;
    int m_nMask = 7;
    levels::Histograms m_histograms;
};
