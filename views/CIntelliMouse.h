// Middle-button panning of a scrolling view. A middle press drops a small round origin marker at
// the click; while panning, the view scrolls every tick toward the pointer, by the pointer's
// distance from the origin, and the pointer shows the direction. Pressed and released at once the
// button leaves panning on until the next click; held down, releasing it ends panning. The
// object also turns the vertical wheel into scrolling of 120 pixels a notch.
#pragma once

#include "platform/WinTypes.h"
#include "platform/qt/CaptureOwner.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QAbstractScrollArea;
class QPainter;
class QWheelEvent;

// The limits and position of one scroll bar.
struct ScrollBarState
{
    int min = 0;
    int max = 0;
    int pos = 0;
};

// Direction bits: where the pointer lies from the origin.
enum : int
{
    kPanRight = 1,
    kPanLeft = 2,
    kPanDown = 4,
    kPanUp = 8,
};

struct PanStep
{
    int dx = 0; // positive: the view scrolls left (toward smaller positions)
    int dy = 0;
    int code = 0; // kPan... bits
};

// The step of one tick for a pointer (screen points). mask: 1 vertical only, 2 horizontal only,
// 0 or 3 both. Distances under 5 pixels do not scroll, and nothing scrolls past a limit.
PanStep GetScrollStep(POINT origin, POINT cursor, int mask, int divisor, ScrollBarState h, ScrollBarState v);

// Resource ids of the pointer pictures: 3206 no direction, 3202..3210 the eight directions.
int PanCursorResource(int code);

// Timers and the pointer, replaceable in tests.
class IPanningClock
{
public:
    virtual ~IPanningClock() = default;
    virtual void SetTimer(int id, unsigned ms) = 0;
    virtual void KillTimer(int id) = 0;
    // The pointer in screen coordinates.
    virtual QPoint CursorPos() const = 0;
};

class CIntelliMouse;

// The origin marker: a round window drawn by its panning object.
class CPanningMarker : public QWidget
{
    Q_OBJECT
public:
    CPanningMarker(CIntelliMouse* owner, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    CIntelliMouse* m_owner;
};

class CIntelliMouse : public QObject
{
    Q_OBJECT
public:
    enum : int
    {
        kTimerScroll = 543,
        kTimerClickWindow = 544,
        kClickWindowMs = 300,
        kMarkerSize = 34,
    };

    // Watches the view's viewport (the view's own handlers see its events afterwards).
    explicit CIntelliMouse(QAbstractScrollArea* view);
    ~CIntelliMouse() override;

    // Null goes back to real timers and the real pointer.
    void SetClock(IPanningClock* clock);

    bool IsActive() const { return m_bActive; }
    bool IsClickWindow() const { return m_bClickWindow; }
    QPoint Origin() const { return m_ptOrigin; }
    CPanningMarker* Marker() const { return m_marker; }
    // The pointer picture shown now (0 when not panning).
    int CurrentCursor() const { return m_cursorId; }
    int ScrollBars() const { return m_nScrollBars; }
    void SetScrollBars(int mask) { m_nScrollBars = mask; }

    // A middle press at a viewport point.
    void StartPanning(QPoint clientPoint);
    // The step for a pointer (screen point) and its direction code.
    int GetScrollStep(QPoint cursor, QPoint& step) const;
    void ScrollBy(QPoint cursor);
    void UpdateCursor(QPoint cursor);
    void DrawOrigin(QPainter& painter);
    void OnTimer(int id);
    // Ends panning (through the loss of the capture).
    void ReleaseCapture();

    // The marker's messages.
    void OnMarkerButtonDown(Qt::MouseButton button);
    void OnMarkerButtonUp(Qt::MouseButton button);
    void OnMarkerMouseMove(QPoint screen);
    // True when the wheel event was used (eaten).
    bool OnWheel(QWheelEvent* event);

    unsigned m_nTimerPeriod = 100;
    // Bit 0: put the marker back at its screen place after each scroll; bit 1: set the bar's
    // position as the view scrolls (always so here).
    DWORD m_dwFlags = 3;
    int m_nDivisor = 1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCaptureChanged();
    void SetTimer(int id, unsigned ms);
    void KillTimer(int id);
    QPoint CursorPos() const;
    void ShowCursor(int id);

    QAbstractScrollArea* m_view;
    QPointer<QWidget> m_viewport;
    bool m_bActive = false;
    bool m_bClickWindow = false;
    QPoint m_ptOrigin;
    int m_nScrollBars = 3;
    QPointer<CPanningMarker> m_marker;
    CCaptureOwner m_capture;
    IPanningClock* m_clock = nullptr;
    QTimer m_scrollTimer;
    QTimer m_clickTimer;
    int m_cursorId = 0;
    int m_wheelRest = 0;
    bool m_destroying = false;
};
