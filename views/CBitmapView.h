// The view of an image window: paints the document's image at the zoom with grey margins and the
// selection band, keeps its frame's title, and answers Copy, Cut, Clear and Paste. Paste opens
// the floating paste window, which comes back through PasteImageAt when the user commits.
#pragma once

#include "views/CBitmapViewBase.h"

#include "imagelib/FCObjImage.h"

#include <QImage>

#include <memory>

class COverlayWin;

class CBitmapView : public CBitmapViewBase
{
    Q_OBJECT
public:
    explicit CBitmapView(QWidget* parent = nullptr);
    ~CBitmapView() override;

    void OnUpdate() override;
    bool OnCommand(int id) override;

    void OnEditCopy();
    void OnEditClear();
    void OnEditPaste();
    // x and y are client coordinates of this view.
    void PasteImageAt(FCObjImage& image, int x, int y, int mode);

    COverlayWin* Overlay() const { return m_pOverlay.get(); }
    // The title the frame shows.
    QString Title() const;

protected:
    void OnZoomChanged() override;
    void OnSizeChanged() override;
    void DoPaint(QPainter& painter, const QRect& rc) override;
    void OnImageRowsChanged() override;

private:
    void CloseOverlay();

    std::unique_ptr<COverlayWin> m_pOverlay;
    // What painting keeps between paints: the premultiplied copy of a 32-bit image and the
    // averaged picture of a shrunk 8- or 24-bit image.
    std::atomic<bool> m_cacheStale{true};
    FCObjImage m_premultiplied;
    QImage m_shrunk;
    QSize m_shrunkSize;
};
