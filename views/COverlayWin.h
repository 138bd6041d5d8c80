// The floating paste window: a child of the view that shows the pasted picture half transparent
// over the document at the view's zoom. The user drags it or moves it with the arrow keys, then
// pastes with Enter or the right-button menu (plain or one of ten blends), or cancels with
// Escape. Nothing changes in the document until then.
#pragma once

#include "imagelib/FCObjImage.h"
#include "platform/WinTypes.h"

#include <QWidget>

#include <memory>

class CBitmapView;
class QMenu;

class COverlayWin : public QWidget
{
    Q_OBJECT
public:
    // Takes the pasted picture.
    COverlayWin(std::unique_ptr<FCObjImage> image, CBitmapView* view);
    ~COverlayWin() override;

    // Shows the window in the view at client point (x, y), sized by the view's scale.
    void Create(int x, int y);
    // Places the window again over the same image pixel after the view's zoom or fitted size
    // changed.
    void UpdatePosition();
    void MoveBy(int dx, int dy);
    void ComposeBackground();
    // Pastes at the window's position with the mode (0 plain, 1..10 blends), then closes.
    void PasteAndClose(int mode);
    // Closes without pasting.
    void Close();
    // The window is shown and has not been closed.
    bool IsOpen() const { return m_open; }

    // Runs a command of the window's menu (tests call it in place of the menu).
    bool OnCommand(int id);
    // The menu of the window, its items carrying their command ids.
    QMenu* BuildMenu();

    const FCObjImage* DisplayImage() const { return m_pImage.get(); }
    const FCObjImage& PasteImage() const { return m_imgPaste; }
    const FCObjImage& Background() const { return m_imgBackground; }
    QPoint ClientPosition() const { return QPoint(m_ptClient.x, m_ptClient.y); }
    POINT ImagePosition() const { return m_ptImage; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The view's scale as a ratio num / den, in device pixels per image pixel.
    void Scale(std::int64_t& num, std::int64_t& den) const;
    // The pasted picture at that scale, in device pixels and in window pixels.
    QSize ScaledDeviceSize() const;
    QSize ScaledSize() const;

    std::unique_ptr<FCObjImage> m_pImage; // half transparent, premultiplied: what is shown
    FCObjImage m_imgPaste;                // what is pasted
    FCObjImage m_imgBackground;           // the document pixels under the window
    FCObjImage m_premultipliedBackground; // a 32-bit background as drawn, made at its first paint
    CBitmapView* m_pView;
    bool m_bDragging = false;
    POINT m_ptClient{};
    POINT m_ptLastMouse{};
    POINT m_ptImage{};
    bool m_bTrackingLeave = false;
    bool m_open = false;
};
