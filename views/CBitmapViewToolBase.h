// The tool views: a window beside the document's image windows that shows a transformation of
// the document's image (a colour channel, a Y/U/V plane, the module or the phase of the spectrum
// of Y), zooms, scrolls and selects like them, and applies the same transformation to the
// document with "Appliquer la transformation" (an ordinary effect, with undo). The document is
// never changed by painting.
#pragma once

#include "imagelib/FCObjImage.h"
#include "views/CBitmapViewBase.h"
#include "views/ToolViewDisplays.h"

#include <QImage>

#include <memory>

class FCYUVPlanes;

class CBitmapViewToolBase : public CBitmapViewBase
{
    Q_OBJECT
public:
    // cacheDisplay: the picture is built once and kept until the document changes (the spectra);
    // otherwise it is built at every paint.
    explicit CBitmapViewToolBase(bool cacheDisplay, QWidget* parent = nullptr);
    ~CBitmapViewToolBase() override;

    // The document changed: the kept picture goes, the view is repainted, the scroll range and
    // the frame's title follow. A zoom change keeps the picture (its pixels do not change).
    void OnUpdate() override;
    // "Appliquer la transformation", then what the base handles.
    bool OnCommand(int id) override;

    // The view's transformation applied to the document as an effect (refused at 8 bits with
    // "Format d'image non supporté").
    virtual void ApplyToDocument() = 0;
    virtual const char* GetViewName() const = 0;
    // The picture to paint for the document image (null when there is none).
    virtual std::unique_ptr<FCObjImage> BuildDisplayImage(const FCObjImage& documentImage) = 0;

    bool CachesDisplay() const { return m_bCacheDisplay; }
    // The kept picture, or null.
    const FCObjImage* CachedDisplay() const { return m_pDisplay.get(); }
    // "Outil photo.jpg (1:2) - canal bleu:2*"
    QString Title() const;

protected:
    void DoPaint(QPainter& painter, const QRect& rc) override;
    // Called on the user-interface thread before BuildDisplayImage, without the image lock held:
    // what the build needs of the document beyond the image (its Y/U/V planes).
    virtual void PrepareDisplay() {}
    // The document's Y/U/V planes (filled again after every change of the image).
    FCYUVPlanes* DocumentPlanes() const;
    // The luminance plane of planes when it is the size of image, else null (the display then
    // works it out from the pixels).
    static const float* LuminanceOf(const FCYUVPlanes* planes, const FCObjImage& image);

private:
    std::unique_ptr<FCObjImage> m_pDisplay;
    bool m_bCacheDisplay;
    // What painting derives from a kept picture: its premultiplied form and its shrunk form.
    FCObjImage m_premultiplied;
    QImage m_shrunk;
    QSize m_shrunkSize;
};

// The eleven channel and Y/U/V views: one picture builder and one effect each.
class CBitmapViewChannel : public CBitmapViewToolBase
{
    Q_OBJECT
public:
    explicit CBitmapViewChannel(ToolViewKind kind, QWidget* parent = nullptr);
    void ApplyToDocument() override;
    const char* GetViewName() const override;
    std::unique_ptr<FCObjImage> BuildDisplayImage(const FCObjImage& documentImage) override;
    ToolViewKind Kind() const { return m_kind; }

protected:
    void PrepareDisplay() override;

private:
    ToolViewKind m_kind;
    FCYUVPlanes* m_planes = nullptr;
};

#define ORVALIS_CHANNEL_VIEW(Name, Kind)                                                                     \
    class Name : public CBitmapViewChannel                                                                   \
    {                                                                                                        \
    public:                                                                                                  \
        explicit Name(QWidget* parent = nullptr) : CBitmapViewChannel(ToolViewKind::Kind, parent) {}         \
    };
ORVALIS_CHANNEL_VIEW(CBitmapViewRed, Red)
ORVALIS_CHANNEL_VIEW(CBitmapViewRedAsGrey, RedAsGrey)
ORVALIS_CHANNEL_VIEW(CBitmapViewGreen, Green)
ORVALIS_CHANNEL_VIEW(CBitmapViewGreenAsGrey, GreenAsGrey)
ORVALIS_CHANNEL_VIEW(CBitmapViewBlue, Blue)
ORVALIS_CHANNEL_VIEW(CBitmapViewBlueAsGrey, BlueAsGrey)
ORVALIS_CHANNEL_VIEW(CBitmapViewY, Y)
ORVALIS_CHANNEL_VIEW(CBitmapViewU, U)
ORVALIS_CHANNEL_VIEW(CBitmapViewUAsGrey, UAsGrey)
ORVALIS_CHANNEL_VIEW(CBitmapViewV, V)
ORVALIS_CHANNEL_VIEW(CBitmapViewVAsGrey, VAsGrey)
#undef ORVALIS_CHANNEL_VIEW

// The logarithmic module of the spectrum of Y, kept between paints.
class CBitmapViewFourierModule : public CBitmapViewToolBase
{
    Q_OBJECT
public:
    explicit CBitmapViewFourierModule(QWidget* parent = nullptr);
    void ApplyToDocument() override;
    const char* GetViewName() const override;
    std::unique_ptr<FCObjImage> BuildDisplayImage(const FCObjImage& documentImage) override;

protected:
    void PrepareDisplay() override;

private:
    FCYUVPlanes* m_planes = nullptr;
};

// The phase of the spectrum of Y, kept between paints.
class CBitmapViewFourierPhase : public CBitmapViewToolBase
{
    Q_OBJECT
public:
    explicit CBitmapViewFourierPhase(QWidget* parent = nullptr);
    void ApplyToDocument() override;
    const char* GetViewName() const override;
    std::unique_ptr<FCObjImage> BuildDisplayImage(const FCObjImage& documentImage) override;

protected:
    void PrepareDisplay() override;

private:
    FCYUVPlanes* m_planes = nullptr;
};

// The tool view a tool-view command opens (null for any other id), not yet in a frame nor on a
// document.
std::unique_ptr<CBitmapViewToolBase> NewToolView(int command);
