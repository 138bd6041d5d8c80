#include "views/CBitmapViewFourierModuleTool.h"

#include "document/CImageDoc.h"
#include "resources/CommandIds.h"
#include "views/ChildFrameHost.h"
#include "views/ViewMath.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPainterPath>

#include <cstdint>

namespace
{
FourierFeedbackRunner& Runner()
{
    static FourierFeedbackRunner runner;
    return runner;
}

QRect ToQRect(const OverlayRect& r)
{
    return QRect(r.x, r.y, r.width, r.height);
}
} // namespace

void SetFourierFeedbackRunner(FourierFeedbackRunner runner)
{
    Runner() = std::move(runner);
}

const FourierFeedbackRunner& GetFourierFeedbackRunner()
{
    return Runner();
}

bool IsFourierFilterCommand(int id)
{
    return (id >= kCmdFourierCarre && id <= kCmdFourierRectangulaireCoupeBande) ||
           (id >= kCmdFourierYuvCarre && id <= kCmdFourierYuvRectangulaireCoupeBande);
}

CBitmapViewFourierModuleTool::CBitmapViewFourierModuleTool(QWidget* parent) : CBitmapViewFourierModule(parent)
{
}

const char* CBitmapViewFourierModuleTool::GetViewName() const
{
    return ToolViewInfoOf(ToolViewKind::FourierModuleTool).name;
}

bool CBitmapViewFourierModuleTool::OnCommand(int id)
{
    if (IsFourierFilterCommand(id))
    {
        OnFourierFilter(id);
        return true;
    }
    return CBitmapViewFourierModule::OnCommand(id);
}

void CBitmapViewFourierModuleTool::OnFourierFilter(int id)
{
    CImageDoc* doc = m_pDoc;
    if (!doc) return;
    SetOverlayMode(id);
    std::unique_ptr<FCImageEffect> effect;
    if (const FourierFeedbackRunner& run = GetFourierFeedbackRunner())
    {
        QWidget* parent = QApplication::activeWindow();
        effect = run(*doc, id, *this, parent ? parent : window());
    }
    if (effect) doc->ApplyEffect(*effect);
    EndFilterDialog();
}

void CBitmapViewFourierModuleTool::RepaintNow()
{
    viewport()->update();
    viewport()->repaint();
}

void CBitmapViewFourierModuleTool::SetOverlayValue1(int value)
{
    m_nOverlayValue1 = value;
    RepaintNow();
}

void CBitmapViewFourierModuleTool::SetOverlayValue2(int value)
{
    m_nOverlayValue2 = value;
    RepaintNow();
}

void CBitmapViewFourierModuleTool::SetOverlayValue3(int value)
{
    m_nOverlayValue3 = value;
    RepaintNow();
}

void CBitmapViewFourierModuleTool::SetOverlayMode(int id)
{
    m_nOverlayMode = id;
    if (IChildFrameHost* host = ChildFrameHost()) host->ActivateOtherView(m_pDoc);
}

void CBitmapViewFourierModuleTool::EndFilterDialog()
{
    if (IChildFrameHost* host = ChildFrameHost())
        host->ActivateChildFrame(dynamic_cast<QMdiSubWindow*>(Frame()));
    m_nOverlayMode = 0;
    RepaintNow();
}

OverlayGeometry CBitmapViewFourierModuleTool::Geometry() const
{
    OverlayGeometry g;
    if (m_pDoc)
    {
        g.imageWidth = m_pDoc->GetImage().Width();
        g.imageHeight = m_pDoc->GetImage().Height();
    }
    g.zoom = Zoom();
    g.fitWidth = FitRectangle().right;
    if (g.zoom != 0)
    {
        // The spectrum is drawn in device pixels: the scroll position (window pixels) in them.
        const QPoint scroll = ScrollPosition();
        const int unit = DeviceUnit();
        g.scrollX = int(std::int64_t(scroll.x()) * unit / kUnitPlain);
        g.scrollY = int(std::int64_t(scroll.y()) * unit / kUnitPlain);
    }
    return g;
}

void CBitmapViewFourierModuleTool::GetOverlayRect(int& x, int& y, int& width, int& height, int a, int b) const
{
    const OverlayRect r = ::GetOverlayRect(Geometry(), a, b);
    x = r.x;
    y = r.y;
    width = r.width;
    height = r.height;
}

void CBitmapViewFourierModuleTool::DoPaint(QPainter& painter, const QRect& rc)
{
    CBitmapViewFourierModule::DoPaint(painter, rc);
    if (m_pDoc && m_pDoc->GetImage().Width() > 0 && m_pDoc->GetImage().Height() > 0)
        DrawFilterOverlay(painter);
}

void CBitmapViewFourierModuleTool::DrawFilterOverlay(QPainter& painter)
{
    const OverlayPlan plan =
        FourierOverlayPlan(m_nOverlayMode, m_nOverlayValue1, m_nOverlayValue2, m_nOverlayValue3, Geometry());
    if (plan.fills.empty()) return;
    painter.save();
    // The plan is in device pixels of the window; the clip of the paint event stays.
    painter.resetTransform();
    const double scale = double(kUnitPlain) / DeviceUnit();
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    if (plan.clipToImage) painter.setClipRect(ToQRect(plan.image), Qt::IntersectClip);
    for (const OverlayFill& fill : plan.fills)
    {
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        for (const OverlayFigure& f : fill.figures)
        {
            if (f.kind == OverlayFigureKind::Rectangle)
                path.addRect(ToQRect(f.rect));
            else
                path.addEllipse(QRectF(ToQRect(f.rect)));
        }
        painter.save();
        if (fill.hasExclude)
        {
            // Everything the fill covers but the excluded rectangle.
            const QRect all = path.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1);
            painter.setClipRegion(QRegion(all) - QRegion(ToQRect(fill.exclude)), Qt::IntersectClip);
        }
        painter.fillPath(path, QColor::fromRgba(fill.argb));
        painter.restore();
    }
    painter.restore();
}
