#include "views/CBitmapViewToolBase.h"

#include "document/CImageDoc.h"
#include "imagelib/FCYUVPlanes.h"
#include "imagelib/effects/FourierEffects.h"
#include "imagelib/effects/YUVEffects.h"
#include "imagelib/qt/FCObjImageQt.h"
#include "resources/CommandIds.h"
#include "views/CBitmapViewFourierModuleTool.h"
#include "views/ChildFrameHost.h"
#include "views/OverlayImages.h"
#include "views/ViewMath.h"

#include <QPainter>

CBitmapViewToolBase::CBitmapViewToolBase(bool cacheDisplay, QWidget* parent)
    : CBitmapViewBase(parent), m_bCacheDisplay(cacheDisplay)
{
}

CBitmapViewToolBase::~CBitmapViewToolBase()
{
    m_pDisplay.reset();
}

QString CBitmapViewToolBase::Title() const
{
    if (!m_pDoc) return {};
    return QString::fromStdWString(FormatToolViewTitle(m_pDoc->GetTitle(), Zoom(), GetViewName(),
                                                       int(m_pDoc->GetViews().size()),
                                                       m_pDoc->GetViewNumber(this), m_pDoc->IsModified()));
}

void CBitmapViewToolBase::OnUpdate()
{
    if (!IsZoomChanging())
    {
        m_pDisplay.reset();
        m_premultiplied.Destroy();
        m_shrunk = QImage();
    }
    viewport()->update();
    UpdateScrollSize();
    if (!m_pDoc) return;
    QWidget* frame = dynamic_cast<QWidget*>(Frame());
    if (!frame) frame = parentWidget();
    if (frame) frame->setWindowTitle(Title());
}

bool CBitmapViewToolBase::OnCommand(int id)
{
    if (id == kCmdApplyTransform)
    {
        ApplyToDocument();
        return true;
    }
    return CBitmapViewBase::OnCommand(id);
}

const float* CBitmapViewToolBase::LuminanceOf(const FCYUVPlanes* planes, const FCObjImage& image)
{
    return planes && planes->Width() == image.Width() && planes->Height() == image.Height() ? planes->Y()
                                                                                            : nullptr;
}

FCYUVPlanes* CBitmapViewToolBase::DocumentPlanes() const
{
    return m_pDoc ? m_pDoc->GetYUVPlanes() : nullptr;
}

void CBitmapViewToolBase::DoPaint(QPainter& painter, const QRect& rc)
{
    const QColor lightGrey(192, 192, 192);
    if (!m_pDoc)
    {
        painter.fillRect(rc, lightGrey);
        return;
    }
    const FCObjImage& image = m_pDoc->GetImage();
    const int w = image.Width(), h = image.Height();
    // The picture is drawn in device pixels, as the image windows draw theirs: at 1:1 each of its
    // pixels is one pixel of the screen.
    const int unit = DeviceUnit();
    RECT dest{0, 0, w, h};
    if (Zoom() != kZoomFit)
        dest = RECT{0, 0, LONG(ZoomedLength(w, Zoom())), LONG(ZoomedLength(h, Zoom()))};
    else
    {
        const QSize client = DeviceSize(rc.size());
        dest = FitRect(w, h, client.width(), client.height());
    }

    if (!m_bCacheDisplay)
    {
        m_pDisplay.reset();
        m_premultiplied.Destroy();
        m_shrunk = QImage();
    }
    if (!m_pDisplay && image.HasBits())
    {
        PrepareDisplay(); // the planes take the image lock themselves
        auto lock = m_pDoc->LockImage();
        m_pDisplay = BuildDisplayImage(image);
    }
    const FCObjImage* display = m_pDisplay.get();
    if (display && display->HasBits() && dest.right > 0 && dest.bottom > 0)
    {
        painter.save();
        painter.scale(double(kUnitPlain) / unit, double(kUnitPlain) / unit);
        const int dw = display->Width(), dh = display->Height();
        const QRect destRect(0, 0, dest.right, dest.bottom);
        if (display->ColorBits() == 32)
        {
            painter.fillRect(destRect, Qt::white);
            if (!m_premultiplied.HasBits()) m_premultiplied = PremultipliedCopy(*display);
            DrawToDC(m_premultiplied, painter, dest);
        }
        else if (dest.right < dw || dest.bottom < dh)
        {
            const QSize size(dest.right, dest.bottom);
            if (m_shrunk.isNull() || m_shrunkSize != size)
            {
                m_shrunk = ShrinkForDisplay(*display, RECT{0, 0, dw, dh}, size);
                m_shrunkSize = size;
            }
            painter.drawImage(QPoint(0, 0), m_shrunk);
        }
        else
            DrawToDC(*display, painter, dest);
        painter.restore();
    }
    // The margins, in window pixels from the picture's edge in device pixels.
    const double right = double(dest.right) * kUnitPlain / unit,
                 bottom = double(dest.bottom) * kUnitPlain / unit;
    const double rcRight = rc.right() + 1.0, rcBottom = rc.bottom() + 1.0;
    if (rcRight > right) painter.fillRect(QRectF(right, rc.top(), rcRight - right, rc.height()), lightGrey);
    if (rcBottom > bottom)
        painter.fillRect(QRectF(rc.left(), bottom, rc.width(), rcBottom - bottom), lightGrey);

    if (!m_bCacheDisplay)
    {
        m_pDisplay.reset();
        m_premultiplied.Destroy();
        m_shrunk = QImage();
    }
}

// ---------------------------------------------------------------------------------------------

CBitmapViewChannel::CBitmapViewChannel(ToolViewKind kind, QWidget* parent)
    : CBitmapViewToolBase(ToolViewInfoOf(kind).cacheDisplay, parent), m_kind(kind)
{
}

const char* CBitmapViewChannel::GetViewName() const
{
    return ToolViewInfoOf(m_kind).name;
}

void CBitmapViewChannel::PrepareDisplay()
{
    const bool planes = m_kind == ToolViewKind::Y || m_kind == ToolViewKind::U ||
                        m_kind == ToolViewKind::UAsGrey || m_kind == ToolViewKind::V ||
                        m_kind == ToolViewKind::VAsGrey;
    m_planes = planes ? DocumentPlanes() : nullptr;
}

std::unique_ptr<FCObjImage> CBitmapViewChannel::BuildDisplayImage(const FCObjImage& documentImage)
{
    return std::make_unique<FCObjImage>(BuildChannelDisplay(m_kind, documentImage, m_planes));
}

namespace
{
template <class E> void Apply(CImageDoc* doc)
{
    if (!doc) return;
    E effect;
    doc->ApplyEffect(effect);
}
} // namespace

void CBitmapViewChannel::ApplyToDocument()
{
    switch (m_kind)
    {
    case ToolViewKind::Red:
        return Apply<FCEffectGetRChannel>(m_pDoc);
    case ToolViewKind::RedAsGrey:
        return Apply<FCEffectGetRChannelLumi>(m_pDoc);
    case ToolViewKind::Green:
        return Apply<FCEffectGetGChannel>(m_pDoc);
    case ToolViewKind::GreenAsGrey:
        return Apply<FCEffectGetGChannelLumi>(m_pDoc);
    case ToolViewKind::Blue:
        return Apply<FCEffectGetBChannel>(m_pDoc);
    case ToolViewKind::BlueAsGrey:
        return Apply<FCEffectGetBChannelLumi>(m_pDoc);
    case ToolViewKind::Y:
        return Apply<FCEffectYUVLuminance>(m_pDoc);
    case ToolViewKind::U:
        return Apply<FCEffectYUVChrominanceBleue>(m_pDoc);
    case ToolViewKind::UAsGrey:
        return Apply<FCEffectYUVChrominanceBleueLuminance>(m_pDoc);
    case ToolViewKind::V:
        return Apply<FCEffectYUVChrominanceRouge>(m_pDoc);
    case ToolViewKind::VAsGrey:
        return Apply<FCEffectYUVChrominanceRougeLuminance>(m_pDoc);
    case ToolViewKind::FourierModule:
    case ToolViewKind::FourierPhase:
    case ToolViewKind::FourierModuleTool:
        break;
    }
}

// ---------------------------------------------------------------------------------------------

CBitmapViewFourierModule::CBitmapViewFourierModule(QWidget* parent) : CBitmapViewToolBase(true, parent) {}

const char* CBitmapViewFourierModule::GetViewName() const
{
    return ToolViewInfoOf(ToolViewKind::FourierModule).name;
}

void CBitmapViewFourierModule::PrepareDisplay()
{
    m_planes = DocumentPlanes();
}

std::unique_ptr<FCObjImage> CBitmapViewFourierModule::BuildDisplayImage(const FCObjImage& documentImage)
{
    if (!m_pDoc) return nullptr;
    return std::make_unique<FCObjImage>(BuildFourierModuleDisplay(
        documentImage, LuminanceOf(m_planes, documentImage), *m_pDoc->GetFFTW3Helper()));
}

void CBitmapViewFourierModule::ApplyToDocument()
{
    if (!m_pDoc) return;
    FCEffectFourierModule effect(m_pDoc->GetFFTW3Helper(), true);
    m_pDoc->ApplyEffect(effect);
}

CBitmapViewFourierPhase::CBitmapViewFourierPhase(QWidget* parent) : CBitmapViewToolBase(true, parent) {}

const char* CBitmapViewFourierPhase::GetViewName() const
{
    return ToolViewInfoOf(ToolViewKind::FourierPhase).name;
}

void CBitmapViewFourierPhase::PrepareDisplay()
{
    m_planes = DocumentPlanes();
}

std::unique_ptr<FCObjImage> CBitmapViewFourierPhase::BuildDisplayImage(const FCObjImage& documentImage)
{
    if (!m_pDoc) return nullptr;
    return std::make_unique<FCObjImage>(BuildFourierPhaseDisplay(
        documentImage, LuminanceOf(m_planes, documentImage), *m_pDoc->GetFFTW3Helper()));
}

void CBitmapViewFourierPhase::ApplyToDocument()
{
    if (!m_pDoc) return;
    FCEffectFourierPhase effect(m_pDoc->GetFFTW3Helper(), true);
    m_pDoc->ApplyEffect(effect);
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<CBitmapViewToolBase> NewToolView(int command)
{
    const ToolViewInfo* info = FindToolView(command);
    if (!info) return nullptr;
    using K = ToolViewKind;
    switch (info->kind)
    {
    case K::Red:
        return std::make_unique<CBitmapViewRed>();
    case K::RedAsGrey:
        return std::make_unique<CBitmapViewRedAsGrey>();
    case K::Green:
        return std::make_unique<CBitmapViewGreen>();
    case K::GreenAsGrey:
        return std::make_unique<CBitmapViewGreenAsGrey>();
    case K::Blue:
        return std::make_unique<CBitmapViewBlue>();
    case K::BlueAsGrey:
        return std::make_unique<CBitmapViewBlueAsGrey>();
    case K::Y:
        return std::make_unique<CBitmapViewY>();
    case K::U:
        return std::make_unique<CBitmapViewU>();
    case K::UAsGrey:
        return std::make_unique<CBitmapViewUAsGrey>();
    case K::V:
        return std::make_unique<CBitmapViewV>();
    case K::VAsGrey:
        return std::make_unique<CBitmapViewVAsGrey>();
    case K::FourierModule:
        return std::make_unique<CBitmapViewFourierModule>();
    case K::FourierPhase:
        return std::make_unique<CBitmapViewFourierPhase>();
    case K::FourierModuleTool:
        return std::make_unique<CBitmapViewFourierModuleTool>();
    }
    return nullptr;
}
