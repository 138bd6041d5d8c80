#include "shell/CPropertyListCtrl.h"

#include "platform/qt/Prompt.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace
{
QRect ToQRect(const RECT& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

PropColour ToColour(const QColor& c)
{
    return PropColour(c.rgb() & 0xFFFFFF);
}

int ToVirtualKey(int key)
{
    switch (key)
    {
    case Qt::Key_Tab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_F2:
        return VK_F2;
    case Qt::Key_F4:
        return VK_F4;
    default:
        return 0;
    }
}

// The rows draw through this.
class CQtPropertyPainter : public IPropertyPainter
{
public:
    CQtPropertyPainter(QPainter& painter, QWidget& widget, const QFont& normal, const QFont& category)
        : m_p(painter), m_widget(widget), m_normal(normal), m_category(category)
    {
    }
    void FillRect(const RECT& r, PropColour colour) override
    {
        m_p.fillRect(ToQRect(r), QColor::fromRgb(colour));
    }
    void FrameRect(const RECT& r, PropColour colour) override
    {
        const QRect q = ToQRect(r);
        if (q.width() <= 0 || q.height() <= 0) return;
        const QColor c = QColor::fromRgb(colour);
        m_p.fillRect(QRect(q.left(), q.top(), q.width(), 1), c);
        m_p.fillRect(QRect(q.left(), q.bottom(), q.width(), 1), c);
        m_p.fillRect(QRect(q.left(), q.top(), 1, q.height()), c);
        m_p.fillRect(QRect(q.right(), q.top(), 1, q.height()), c);
    }
    void DrawText(const RECT& r, const std::wstring& text, PropFont font, PropColour colour,
                  bool ellipsis) override
    {
        const QFont& f = font == PropFont::Category ? m_category : m_normal;
        const QRect q = ToQRect(r);
        QString s = QString::fromStdWString(text);
        if (ellipsis) s = QFontMetrics(f).elidedText(s, Qt::ElideRight, std::max(0, q.width()));
        m_p.save();
        m_p.setClipRect(q, Qt::IntersectClip);
        m_p.setFont(f);
        m_p.setPen(QColor::fromRgb(colour));
        m_p.drawText(q, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, s);
        m_p.restore();
    }
    int TextWidth(const std::wstring& text, PropFont font) override
    {
        return QFontMetrics(font == PropFont::Category ? m_category : m_normal)
            .horizontalAdvance(QString::fromStdWString(text));
    }
    void FocusRect(const RECT& r) override
    {
        QStyleOptionFocusRect option;
        option.initFrom(&m_widget);
        option.rect = ToQRect(r);
        m_widget.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &m_p, &m_widget);
    }
    void CheckBox(const RECT& r, bool checked, bool enabled) override
    {
        QStyleOptionButton option;
        option.initFrom(&m_widget);
        option.rect = ToQRect(r);
        option.state = (checked ? QStyle::State_On : QStyle::State_Off) |
                       (enabled ? QStyle::State_Enabled : QStyle::State_None);
        if (!enabled) option.palette.setCurrentColorGroup(QPalette::Disabled);
        m_widget.style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &m_p, &m_widget);
    }
    SIZE CheckBoxSize() override
    {
        QStyle* s = m_widget.style();
        return SIZE{s->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &m_widget),
                    s->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, &m_widget)};
    }

private:
    QPainter& m_p;
    QWidget& m_widget;
    const QFont& m_normal;
    const QFont& m_category;
};
} // namespace

// ---------------------------------------------------------------------------------------------
// The list

CPropertyListCtrl::CPropertyListCtrl(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
    OnSettingChange();
}

CPropertyListCtrl::~CPropertyListCtrl()
{
    SetNotify(nullptr);
    ResetContent();
}

QFont CPropertyListCtrl::EditorFont() const
{
    return parentWidget() ? parentWidget()->font() : font();
}

void CPropertyListCtrl::PostNavigate(int key)
{
    QMetaObject::invokeMethod(
        this, [this, key] { OnNavigateMessage(key); }, Qt::QueuedConnection);
}

int CPropertyListCtrl::ClientWidth() const
{
    return viewport()->width();
}

int CPropertyListCtrl::ClientHeight() const
{
    return viewport()->height();
}

bool CPropertyListCtrl::HasFocus() const
{
    return hasFocus();
}

void CPropertyListCtrl::TakeFocus()
{
    setFocus(Qt::OtherFocusReason);
}

void CPropertyListCtrl::Beep()
{
    MessageBeep();
}

void CPropertyListCtrl::Repaint(const RECT& rc)
{
    viewport()->update(ToQRect(rc));
}

void CPropertyListCtrl::RepaintAll()
{
    viewport()->update();
}

void CPropertyListCtrl::RowsChanged()
{
    QScrollBar* bar = verticalScrollBar();
    const int visible = VisibleRows();
    bar->setPageStep(visible);
    bar->setRange(0, std::max(0, GetCount() - visible));
}

void CPropertyListCtrl::ScrollToTop(int topRow)
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(topRow);
    if (bar->value() != TopIndex()) OnScroll(bar->value());
}

void CPropertyListCtrl::ReadSettings(PropertyDrawInfo& di)
{
    if (m_readingSettings) return;
    m_readingSettings = true;
    const QPalette pal = palette();
    di.clrText = ToColour(pal.color(QPalette::Active, QPalette::Text));
    di.clrBack = ToColour(pal.color(QPalette::Active, QPalette::Base));
    di.clrSelText = ToColour(pal.color(QPalette::Active, QPalette::HighlightedText));
    di.clrSelBack = ToColour(pal.color(QPalette::Active, QPalette::Highlight));
    di.clrBorder = ToColour(pal.color(QPalette::Active, QPalette::Button));
    di.clrDisabled = ToColour(pal.color(QPalette::Disabled, QPalette::Text));
    m_normalFont = parentWidget() ? parentWidget()->font() : QApplication::font();
    if (font() != m_normalFont) setFont(m_normalFont);
    m_categoryFont = m_normalFont;
    if (!(di.style & PLS_FLATCATEGORIES)) m_categoryFont.setBold(true);
    di.textHeight = QFontMetrics(m_normalFont).height();
    m_readingSettings = false;
}

IInplaceEditor* CPropertyListCtrl::CreateTextEditor(const RECT& rc, const std::wstring& text, bool digitsOnly)
{
    return new CInplacePropertyEdit(this, ToQRect(rc), QString::fromStdWString(text), digitsOnly);
}

IInplaceEditor* CPropertyListCtrl::CreateChoiceEditor(const RECT& rc, const std::wstring& text,
                                                      const std::vector<std::wstring>& options, int selected)
{
    return new CInplacePropertyList(this, ToQRect(rc), QString::fromStdWString(text), options, selected);
}

bool CPropertyListCtrl::event(QEvent* event)
{
    // Tab first goes to the selected row (a text row puts the focus in its editor); otherwise it
    // moves on to the next control of the dialog.
    if (event->type() == QEvent::KeyPress)
    {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        {
            OnKeyDown(VK_TAB);
            if (InplaceEditor() && InplaceEditor()->HasFocusInside()) return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool CPropertyListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize) OnSize(viewport()->width(), viewport()->height());
    return QAbstractScrollArea::viewportEvent(event);
}

void CPropertyListCtrl::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    CQtPropertyPainter rows(painter, *this, m_normalFont, m_categoryFont);
    const QRect clip = event->rect();
    Paint(rows, RECT{clip.left(), clip.top(), clip.right() + 1, clip.bottom() + 1});
    if (IsDragging())
    {
        // The tracker: a two-pixel half-tone line that inverts what lies under it.
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(QRect(TrackerX(), 0, 2, viewport()->height()), QBrush(Qt::white, Qt::Dense4Pattern));
    }
}

void CPropertyListCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    OnLButtonDown(p.x(), p.y());
}

void CPropertyListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    OnLButtonDblClk(p.x(), p.y());
}

void CPropertyListCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    OnMouseMove(p.x(), p.y());
    if (IsDragging() || IsOverSplitter(p.x()))
        viewport()->setCursor(Qt::SplitHCursor);
    else
        viewport()->unsetCursor();
}

void CPropertyListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    OnLButtonUp(p.x(), p.y());
}

void CPropertyListCtrl::keyPressEvent(QKeyEvent* event)
{
    const int vk = ToVirtualKey(event->key());
    bool used = vk != 0 && OnKeyDown(vk);
    const QString text = event->text();
    if (!text.isEmpty() && vk != VK_TAB && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
    {
        const wchar_t ch = wchar_t(text.at(0).unicode());
        if (ch >= L' ') used = OnChar(ch) || used;
    }
    if (used)
        event->accept();
    else
        event->ignore(); // Enter and Escape go on to the dialog
}

void CPropertyListCtrl::wheelEvent(QWheelEvent* event)
{
    DestroyInplaceWindow();
    QAbstractScrollArea::wheelEvent(event);
}

void CPropertyListCtrl::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    InvalidateItem(GetCurSel());
}

void CPropertyListCtrl::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    InvalidateItem(GetCurSel());
}

void CPropertyListCtrl::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if ((event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
         event->type() == QEvent::StyleChange) &&
        !m_readingSettings)
        OnSettingChange();
}

void CPropertyListCtrl::scrollContentsBy(int, int)
{
    OnScroll(verticalScrollBar()->value());
}

// ---------------------------------------------------------------------------------------------
// The text editor

CInplacePropertyEdit::CInplacePropertyEdit(CPropertyListCtrl* list, const QRect& rc, const QString& text,
                                           bool digitsOnly)
    : QLineEdit(list->viewport()), m_list(list)
{
    setObjectName(QStringLiteral("InplacePropertyEdit"));
    setFrame(false);
    setFont(list->EditorFont());
    setTextMargins(2, 0, 0, 0);
    if (digitsOnly)
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    setGeometry(rc);
    setText(text);
}

std::wstring CInplacePropertyEdit::GetWindowText() const
{
    return text().toStdWString();
}

void CInplacePropertyEdit::FocusAndSelectAll()
{
    setFocus(Qt::OtherFocusReason);
    selectAll();
}

void CInplacePropertyEdit::ForwardChar(wchar_t ch)
{
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(char16_t(ch))));
    QLineEdit::keyPressEvent(&key);
}

bool CInplacePropertyEdit::HasFocusInside() const
{
    return hasFocus();
}

void CInplacePropertyEdit::Show()
{
    show();
}

void CInplacePropertyEdit::Close()
{
    m_closed = true;
    hide();
    deleteLater();
}

bool CInplacePropertyEdit::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride)
    {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_Up ||
            key == Qt::Key_Down)
        {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress)
    {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        {
            if (m_list && !m_closed) m_list->PostNavigate(VK_TAB);
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CInplacePropertyEdit::keyPressEvent(QKeyEvent* event)
{
    if (m_closed || !m_list)
    {
        QLineEdit::keyPressEvent(event);
        return;
    }
    switch (event->key())
    {
    case Qt::Key_Up:
        m_list->PostNavigate(VK_UP);
        event->accept();
        return;
    case Qt::Key_Down:
        m_list->PostNavigate(VK_DOWN);
        event->accept();
        return;
    case Qt::Key_Left:
        if (cursorPosition() == 0 && !hasSelectedText()) m_list->PostNavigate(VK_LEFT);
        break;
    case Qt::Key_Right:
        if (cursorPosition() == text().size() && !hasSelectedText()) m_list->PostNavigate(VK_RIGHT);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        m_list->setFocus(Qt::OtherFocusReason);
        return;
    case Qt::Key_Escape:
        event->accept();
        m_cancelled = true;
        m_list->setFocus(Qt::OtherFocusReason);
        return;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void CInplacePropertyEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // A popup (the editor's own context menu) does not end the edit.
    if (m_closed || !m_list || event->reason() == Qt::PopupFocusReason) return;
    if (m_cancelled || !isModified())
        m_list->OnCancelMessage(this);
    else
        m_list->OnCommitMessage(this);
}

// ---------------------------------------------------------------------------------------------
// The choice editor

CInplaceListButton::CInplaceListButton(CInplacePropertyList* editor)
    : QAbstractButton(editor), m_editor(editor)
{
    setObjectName(QStringLiteral("InplacePropertyListButton"));
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, editor, [editor] { editor->ShowPopup(); });
}

void CInplaceListButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton bevel;
    bevel.initFrom(this);
    bevel.rect = rect();
    bevel.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButtonBevel, &bevel, &painter, this);
    QStyleOption arrow;
    arrow.initFrom(this);
    const int inset = std::max(2, width() / 4);
    arrow.rect = rect().adjusted(inset, inset, -inset, -inset).translated(isDown() ? 1 : 0, isDown() ? 1 : 0);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
}

void CInplaceListButton::keyPressEvent(QKeyEvent* event)
{
    CPropertyListCtrl* list = m_editor->List();
    switch (event->key())
    {
    case Qt::Key_Space:
    case Qt::Key_F2:
    case Qt::Key_F4:
        event->accept();
        m_editor->ShowPopup();
        return;
    case Qt::Key_Escape:
        event->accept();
        m_editor->CommitUnchanged();
        return;
    case Qt::Key_Up:
        event->accept();
        if (list) list->PostNavigate(VK_UP);
        return;
    case Qt::Key_Down:
        event->accept();
        if (list) list->PostNavigate(VK_DOWN);
        return;
    default:
        QAbstractButton::keyPressEvent(event);
    }
}

CInplacePropertyList::CInplacePropertyList(CPropertyListCtrl* list, const QRect& rc, const QString& text,
                                           const std::vector<std::wstring>& options, int selected)
    : QLineEdit(list->viewport()), m_list(list)
{
    setObjectName(QStringLiteral("InplacePropertyList"));
    setFrame(false);
    setReadOnly(true);
    setFont(list->EditorFont());
    setFocusPolicy(Qt::StrongFocus);
    setTextMargins(2, 0, style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this), 0);
    setText(text);
    m_button = new CInplaceListButton(this);
    m_popup = new QListWidget(this);
    m_popup->setObjectName(QStringLiteral("InplacePropertyListPopup"));
    m_popup->setWindowFlags(Qt::Popup);
    m_popup->setFont(font());
    m_popup->setFrameShape(QFrame::Box);
    m_popup->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_popup->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const std::wstring& o : options)
        m_popup->addItem(QString::fromStdWString(o));
    if (selected >= 0 && selected < m_popup->count()) m_popup->setCurrentRow(selected);
    m_popup->installEventFilter(this);
    m_popup->viewport()->installEventFilter(this);
    connect(m_popup, &QListWidget::itemClicked, this, [this] { ChoosePopupItem(); });
    setGeometry(rc);
}

std::wstring CInplacePropertyList::GetWindowText() const
{
    return text().toStdWString();
}

void CInplacePropertyList::FocusAndSelectAll()
{
    m_button->setFocus(Qt::OtherFocusReason);
}

bool CInplacePropertyList::HasFocusInside() const
{
    return hasFocus() || m_button->hasFocus();
}

void CInplacePropertyList::Show()
{
    show();
}

void CInplacePropertyList::Close()
{
    m_closed = true;
    m_popup->hide();
    hide();
    deleteLater();
}

int CInplacePropertyList::FindOption(wchar_t ch) const
{
    const QString prefix = QString(QChar(char16_t(ch)));
    for (int i = 0; i < m_popup->count(); ++i)
        if (m_popup->item(i)->text().startsWith(prefix, Qt::CaseInsensitive)) return i;
    return -1;
}

void CInplacePropertyList::ForwardChar(wchar_t ch)
{
    const int row = FindOption(ch);
    if (row < 0) return;
    m_popup->setCurrentRow(row);
    // With the list open the character only moves in it; Enter or a click chooses.
    if (!m_popup->isVisible()) ChoosePopupItem();
}

void CInplacePropertyList::ShowPopup()
{
    if (m_closed || m_popup->count() == 0) return;
    if (m_popupHeight < 0)
    {
        const int item = std::max(1, m_popup->sizeHintForRow(0));
        m_popupHeight = std::min(140, item * m_popup->count() + 2 * m_popup->frameWidth());
    }
    m_popup->setGeometry(QRect(mapToGlobal(QPoint(0, height())), QSize(width(), m_popupHeight)));
    if (m_popup->currentRow() >= 0) m_popup->scrollToItem(m_popup->currentItem());
    m_popup->show();
    m_popup->raise();
    m_popup->setFocus(Qt::PopupFocusReason);
}

void CInplacePropertyList::ChoosePopupItem()
{
    if (m_closed) return;
    QPointer<CPropertyListCtrl> list = m_list;
    if (QListWidgetItem* item = m_popup->currentItem()) setText(item->text());
    m_popup->hide();
    if (list) list->OnCommitMessage(this);
    if (list) list->setFocus(Qt::OtherFocusReason);
}

void CInplacePropertyList::CancelPopup()
{
    if (m_closed) return;
    QPointer<CPropertyListCtrl> list = m_list;
    m_popup->hide();
    if (list) list->OnCancelMessage(this);
    if (list) list->setFocus(Qt::OtherFocusReason);
}

void CInplacePropertyList::CommitUnchanged()
{
    if (m_closed) return;
    if (m_list) m_list->OnCommitMessage(this);
}

bool CInplacePropertyList::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_popup || watched == m_popup->viewport()) && event->type() == QEvent::KeyPress)
    {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key())
        {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ChoosePopupItem();
            return true;
        case Qt::Key_Escape:
            CancelPopup();
            return true;
        default:
            if (!key->text().isEmpty() && key->text().at(0) > QChar(u' '))
            {
                ForwardChar(wchar_t(key->text().at(0).unicode()));
                return true;
            }
            break;
        }
    }
    return QLineEdit::eventFilter(watched, event);
}

void CInplacePropertyList::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    m_button->setFocus(event->reason());
}

void CInplacePropertyList::keyPressEvent(QKeyEvent* event)
{
    event->ignore();
}

void CInplacePropertyList::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void CInplacePropertyList::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void CInplacePropertyList::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    const int side = height();
    m_button->setGeometry(width() - side, 0, side, side);
}
