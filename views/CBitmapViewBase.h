// The scrolling, zooming view of one document with a rubber-band selection. It reports the
// cursor position (2024) and the selection (2025) to its top-level window, handles the zoom and
// selection commands and passes every other command to its document. Painting is DoPaint's,
// in canvas coordinates (the scroll position already taken off).
#pragma once

#include "document/CView.h"
#include "platform/WinTypes.h"
#include "platform/qt/CommandTarget.h"

#include <QAbstractScrollArea>

#include <atomic>
#include <cstdint>
#include <memory>

class CImageDoc;
class CIntelliMouse;
class IChildFrame;

class CBitmapViewBase : public QAbstractScrollArea, public CView, public ICommandTarget
{
    Q_OBJECT
public:
    explicit CBitmapViewBase(QWidget* parent = nullptr);
    ~CBitmapViewBase() override;

    CImageDoc* Document() const { return m_pDoc; }
    // Leaves the document (which goes with its last view). After this the view shows nothing.
    void DetachFromDocument();

    // The frame that holds the view (context menu); set by the frame.
    void SetFrame(IChildFrame* frame) { m_frame = frame; }
    IChildFrame* Frame() const { return m_frame; }

    // Zoom in 1/256 units, 0 to fit the window.
    int Zoom() const { return m_nZoom; }
    void SetZoom(int zoom);
    // The scroll range from the image at the zoom (when it has pixels), or the client size when
    // fitting; the position goes back to the origin when the range changes.
    void UpdateScrollSize();

    // Client point to image pixel (scroll position added, zoom undone).
    POINT ClientToImage(int x, int y) const;
    // Image pixel to canvas point (scroll position not subtracted).
    POINT ImageToClient(int x, int y) const;
    // The selection normalised and clipped to the image; -1 everywhere when there is none.
    RECT GetSelection() const;
    // The corners as dragged (first corner where the drag started); -1 when none was made.
    RECT SelectionCorners() const { return m_rcSel; }
    bool IsSelectionShown() const { return m_bSelShown; }
    bool IsSelectionDragging() const { return m_bSelDragging; }
    // The fitted image rectangle in fit mode.
    RECT FitRectangle() const { return m_rcFit; }
    // Axes the panning may scroll: 2 horizontal, 1 vertical.
    int ScrollAxisMask() const;
    // Middle-button panning and the wheel.
    CIntelliMouse& IntelliMouse() const { return *m_intelliMouse; }
    QPoint ScrollPosition() const;
    // The canvas size the scroll range was set from.
    QSize CanvasSize() const { return m_canvas; }

    bool OnCommand(int id) override;
    virtual void OnSelectAll();
    virtual void OnSelectNone();

    // Mouse handlers, with client coordinates (tests call them directly).
    virtual void OnMouseMove(int x, int y);
    virtual void OnMouseLeave();
    virtual void OnLButtonDown(int x, int y);
    virtual void OnLButtonUp(int x, int y);

    // While an effect reports progress, views are not painted (band workers write the image).
    static void SetPaintingSuspended(bool suspended);
    static bool IsPaintingSuspended();

protected:
    virtual void OnZoomChanged() {}
    virtual void OnSizeChanged() {}
    // Paints the visible part of the canvas, rc, in canvas coordinates.
    virtual void DoPaint(QPainter& painter, const QRect& rc) = 0;
    // The preview thread filled in rows: whatever a view keeps of the image is stale (any thread).
    virtual void OnImageRowsChanged() {}

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

    // True while SetZoom notifies the view: the document itself did not change.
    bool IsZoomChanging() const { return m_zoomChanging; }
    // The band in client coordinates, or an empty rectangle.
    QRect BandRect() const;
    // Repaints the edges of the band as it was drawn and as it is now.
    void UpdateBand();

private:
    void SetCanvas(std::int64_t width, std::int64_t height, bool reset);
    void UpdateBars();
    void PostSelection(const RECT& r);

    IChildFrame* m_frame = nullptr;
    int m_nZoom = 256;
    RECT m_rcFit{};
    bool m_bTrackingLeave = false;
    RECT m_rcSel{-1, -1, -1, -1};
    bool m_bSelShown = false;
    bool m_bSelDragging = false;
    QSize m_canvas;
    QRect m_bandDrawn;
    bool m_zoomChanging = false;
    std::unique_ptr<CIntelliMouse> m_intelliMouse;
};
