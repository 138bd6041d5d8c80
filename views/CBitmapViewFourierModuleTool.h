// The Fourier filter tool: the module view of the spectrum that also carries the 26 frequency
// filters. Each filter command opens the filter's dialog with its live preview shown in another
// window of the document, while this view draws the filter's window in translucent red over the
// spectrum, following the sliders; OK applies the filter to the document.
#pragma once

#include "views/CBitmapViewToolBase.h"
#include "views/FourierFeedback.h"
#include "views/FourierOverlay.h"

class CBitmapViewFourierModuleTool : public CBitmapViewFourierModule, public IFourierOverlayTarget
{
    Q_OBJECT
public:
    explicit CBitmapViewFourierModuleTool(QWidget* parent = nullptr);

    // The 26 filter commands first, then what the module view handles.
    bool OnCommand(int id) override;
    const char* GetViewName() const override;

    // A filter command: the overlay mode set and another window of the document activated, the
    // feedback dialog run, its filter applied on OK, and in every case the dialog's end.
    void OnFourierFilter(int id);

    // Each store repaints the view at once.
    void SetOverlayValue1(int value) override;
    void SetOverlayValue2(int value) override;
    void SetOverlayValue3(int value) override;
    // The filter whose window is drawn (0 for none); activates another view of the document.
    void SetOverlayMode(int id);
    // The view's own frame active again, no overlay, repainted at once.
    void EndFilterDialog();

    int OverlayMode() const { return m_nOverlayMode; }
    int OverlayValue1() const { return m_nOverlayValue1; }
    int OverlayValue2() const { return m_nOverlayValue2; }
    int OverlayValue3() const { return m_nOverlayValue3; }

    // Where the spectrum lies in the window now, in device pixels (window pixels on an ordinary
    // screen; two per window pixel on a screen of twice the density).
    OverlayGeometry Geometry() const;
    // GetOverlayRect of the view's geometry: left, top, width, height in device pixels of the window.
    void GetOverlayRect(int& x, int& y, int& width, int& height, int a, int b) const;

protected:
    void DoPaint(QPainter& painter, const QRect& rc) override;
    // The filter window of the current mode and values, in window coordinates.
    void DrawFilterOverlay(QPainter& painter);

private:
    void RepaintNow();

    int m_nOverlayMode = 0;
    int m_nOverlayValue1 = 0;
    int m_nOverlayValue2 = 0;
    int m_nOverlayValue3 = 0;
};

// Whether the id is one of the 26 filter commands.
bool IsFourierFilterCommand(int id);
