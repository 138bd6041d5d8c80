#include "shell/PropertyList.h"

#include <algorithm>

namespace
{
constexpr int kMargin = 16; // the category margin of categorised lists
constexpr PropColour kBlack = 0x000000;

RECT Inset(const RECT& r, int dx, int dy)
{
    return RECT{r.left + dx, r.top + dy, r.right - dx, r.bottom - dy};
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Rows

IInplaceEditor* CProperty::Editor() const
{
    return m_owner ? m_owner->EditorOf(this) : nullptr;
}

void CProperty::DrawNameIn(PropertyDrawInfo& di, PropFont font)
{
    const bool selected = (di.state & ODS_SELECTED) && !(di.state & ODS_DISABLED);
    PropColour text = di.clrText;
    PropColour back = di.clrBack;
    if (selected)
    {
        text = di.clrSelText;
        back = di.clrSelBack;
    }
    else if (di.state & ODS_DISABLED)
        text = di.clrDisabled;
    di.painter->FillRect(di.rc, back);
    RECT r = di.rc;
    r.left += 2;
    di.painter->DrawText(r, m_name, font, text, false);
}

void CProperty::DrawName(PropertyDrawInfo& di)
{
    DrawNameIn(di, PropFont::Normal);
}

void CPropertyItem::DrawValue(PropertyDrawInfo& di)
{
    std::wstring text;
    if (!GetDisplayValue(text)) return;
    RECT r = di.rc;
    r.left += 2;
    di.painter->DrawText(r, text, PropFont::Normal, (di.state & ODS_DISABLED) ? di.clrDisabled : di.clrText,
                         true);
}

BOOL CPropertyItem::GetDisplayValue(std::wstring& text) const
{
    const std::optional<CPropertyVariant> v = m_val.ChangeType(VT_BSTR);
    if (!v) return FALSE;
    text = v->TextValue();
    return TRUE;
}

int CPropertyItem::GetDisplayValueLength() const
{
    std::wstring text;
    return GetDisplayValue(text) ? int(text.size()) : 0;
}

BOOL CPropertyItem::GetValue(CPropertyVariant& value) const
{
    value = m_val;
    return TRUE;
}

BOOL CPropertyItem::SetValue(const CPropertyVariant& value)
{
    m_val = value;
    return TRUE;
}

IInplaceEditor* CPropertyEditItem::CreateInplaceControl(IInplaceFactory& parent, const RECT& rc)
{
    std::wstring text;
    GetDisplayValue(text);
    const VARTYPE vt = m_val.Type();
    return parent.CreateTextEditor(rc, text, vt == VT_UI1 || vt == VT_UI2 || vt == VT_UI4);
}

BOOL CPropertyEditItem::Activate(int action, LPARAM)
{
    if (action == PACT_DBLCLICK || action == PACT_TAB || action == PACT_SPACE)
        if (IInplaceEditor* editor = Editor()) editor->FocusAndSelectAll();
    return TRUE;
}

BOOL CPropertyEditItem::SetValue(const CPropertyVariant& value)
{
    if (m_val.IsEmpty()) m_val = value;
    const std::optional<CPropertyVariant> converted = value.ChangeType(m_val.Type());
    if (!converted) return FALSE;
    m_val = *converted;
    return TRUE;
}

BOOL CPropertyEditItem::SetValueFromWindow(const IInplaceEditor& editor)
{
    return SetValue(CPropertyVariant::Text(editor.GetWindowText()));
}

CPropertyListItem::CPropertyListItem(std::wstring name, LPARAM data)
    : CPropertyItem(std::move(name), CPropertyVariant::I4(-1), data)
{
}

IInplaceEditor* CPropertyListItem::CreateInplaceControl(IInplaceFactory& parent, const RECT& rc)
{
    std::wstring text;
    GetDisplayValue(text);
    return parent.CreateChoiceEditor(rc, text, m_options, int(m_val.IntValue()));
}

BOOL CPropertyListItem::Activate(int action, LPARAM)
{
    if (action == PACT_DBLCLICK && IsEnabled() && m_owner)
    {
        const CPropertyVariant next = CPropertyVariant::I4(std::int32_t(m_val.IntValue() + 1));
        m_owner->OnSetValueMessage(&next, this);
    }
    else if (action == PACT_SPACE)
    {
        if (IInplaceEditor* editor = Editor()) editor->OpenList();
    }
    return TRUE;
}

BOOL CPropertyListItem::GetDisplayValue(std::wstring& text) const
{
    const std::int64_t index = m_val.IntValue();
    if (index < 0 || index >= std::int64_t(m_options.size()))
    {
        text.clear();
        return FALSE;
    }
    text = m_options[std::size_t(index)];
    return TRUE;
}

int CPropertyListItem::GetDisplayValueLength() const
{
    std::wstring text;
    GetDisplayValue(text);
    return int(text.size());
}

BOOL CPropertyListItem::SetValue(const CPropertyVariant& value)
{
    if (value.Type() == VT_BSTR)
    {
        const auto it = std::find(m_options.begin(), m_options.end(), value.TextValue());
        if (it == m_options.end())
        {
            m_val = CPropertyVariant::I4(0);
            return FALSE;
        }
        m_val = CPropertyVariant::I4(std::int32_t(it - m_options.begin()));
        return TRUE;
    }
    const std::optional<CPropertyVariant> index = value.ChangeType(VT_I4);
    if (!index) return FALSE;
    m_val = *index;
    if (m_val.IntValue() >= std::int64_t(m_options.size())) m_val = CPropertyVariant::I4(0);
    return TRUE;
}

BOOL CPropertyListItem::SetValueFromWindow(const IInplaceEditor& editor)
{
    return SetValue(CPropertyVariant::Text(editor.GetWindowText()));
}

CPropertyListItem* CreatePropertyListItem(const wchar_t* name, const wchar_t* const* options, int selected,
                                          LPARAM data)
{
    auto* item = new CPropertyListItem(name ? name : L"", data);
    for (const wchar_t* const* o = options; o && *o; ++o)
        item->AddListItem(*o);
    item->SetValue(CPropertyVariant::I4(selected));
    return item;
}

void CPropertyCheckButtonItem::DrawValue(PropertyDrawInfo& di)
{
    const SIZE size = di.painter->CheckBoxSize();
    RECT box{di.rc.left + 10, di.rc.top + 2, di.rc.left + 10 + size.cx, di.rc.top + 2 + size.cy};
    if (box.bottom > di.rc.bottom - 1)
    {
        box.bottom = di.rc.bottom - 1;
        box.top = box.bottom - size.cy;
    }
    di.painter->CheckBox(box, m_checked, !(di.state & ODS_DISABLED));
}

BOOL CPropertyCheckButtonItem::Activate(int action, LPARAM)
{
    if ((action == PACT_CLICK || action == PACT_DBLCLICK || action == PACT_SPACE) && IsEnabled() && m_owner)
    {
        const CPropertyVariant toggled = CPropertyVariant::Bool(!m_checked);
        m_owner->OnSetValueMessage(&toggled, this);
    }
    return TRUE;
}

BOOL CPropertyCheckButtonItem::GetValue(CPropertyVariant& value) const
{
    value = CPropertyVariant::Bool(m_checked);
    return TRUE;
}

BOOL CPropertyCheckButtonItem::SetValue(const CPropertyVariant& value)
{
    if (value.Type() != VT_BOOL) return FALSE;
    m_checked = value.IntValue() != 0;
    return TRUE;
}

CCategoryProperty::~CCategoryProperty()
{
    for (IProperty* child : m_children)
        delete child;
}

void CCategoryProperty::DrawName(PropertyDrawInfo& di)
{
    if (!(di.style & PLS_FLATCATEGORIES))
    {
        DrawNameIn(di, PropFont::Category);
        return;
    }
    di.painter->FillRect(di.rc, di.clrBorder);
    RECT r = di.rc;
    r.left += 2;
    di.painter->DrawText(r, m_name, PropFont::Normal, di.clrText, false);
    if (di.state & ODS_SELECTED)
    {
        const int w = di.painter->TextWidth(m_name, PropFont::Normal) + 3;
        RECT focus{di.rc.left, di.rc.top, std::min(di.rc.right, di.rc.left + 2 + w), di.rc.bottom};
        di.painter->FocusRect(Inset(focus, 1, 1));
    }
}

void CCategoryProperty::DrawValue(PropertyDrawInfo& di)
{
    if (di.style & PLS_FLATCATEGORIES) di.painter->FillRect(di.rc, di.clrBorder);
}

BOOL CCategoryProperty::Activate(int action, LPARAM)
{
    if ((action == PACT_MARGINCLICK || action == PACT_DBLCLICK || action == PACT_SPACE) && m_owner)
    {
        if (m_expanded)
            m_owner->OnCollapseMessage(this);
        else
            m_owner->OnExpandMessage(this);
    }
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// The list

CPropertyListImpl::~CPropertyListImpl()
{
    for (IProperty* p : m_rows)
        delete p;
}

std::intptr_t CPropertyListImpl::Notify(int code, IProperty* property)
{
    return m_notify ? m_notify->OnPropertyNotify(code, property) : 0;
}

void CPropertyListImpl::SetExtendedListStyle(unsigned style)
{
    m_style = style;
    OnSettingChange();
}

IProperty* CPropertyListImpl::AddItem(IProperty* property)
{
    if (!property) return nullptr;
    property->SetOwner(this);
    m_rows.push_back(property);
    RowsChanged();
    InvalidateItem(GetCount() - 1);
    return property;
}

int CPropertyListImpl::FindProperty(const IProperty* property) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (m_rows[std::size_t(i)] == property) return i;
    return -1;
}

IProperty* CPropertyListImpl::GetProperty(int row) const
{
    return row >= 0 && row < GetCount() ? m_rows[std::size_t(row)] : nullptr;
}

void CPropertyListImpl::SetCurSel(int row)
{
    if (row < -1 || row >= GetCount()) row = -1;
    if (row == m_curSel) return;
    const int old = m_curSel;
    m_curSel = row;
    InvalidateItem(old);
    InvalidateItem(row);
    if (row >= 0) EnsureVisible(row);
}

void CPropertyListImpl::ResetContent()
{
    m_destroying = true;
    DestroyInplaceWindow();
    m_destroying = false;
    std::vector<IProperty*> rows;
    rows.swap(m_rows);
    m_curSel = -1;
    m_top = 0;
    for (IProperty* p : rows)
        delete p;
    RowsChanged();
    RepaintAll();
}

void CPropertyListImpl::InsertRow(int row, IProperty* property)
{
    m_rows.insert(m_rows.begin() + row, property);
    if (m_curSel >= row) ++m_curSel;
    if (m_editRow >= row) ++m_editRow;
}

void CPropertyListImpl::EraseRow(int row)
{
    m_rows.erase(m_rows.begin() + row);
    if (m_curSel == row)
        m_curSel = -1;
    else if (m_curSel > row)
        --m_curSel;
}

bool CPropertyListImpl::CollapseItem(IProperty* category)
{
    if (!category || category->GetKind() != PROPKIND_CATEGORY) return false;
    DestroyInplaceWindow();
    CollapseRows(static_cast<CCategoryProperty*>(category), FindProperty(category));
    Notify(PIN_COLLAPSED, category);
    return true;
}

void CPropertyListImpl::CollapseRows(CCategoryProperty* category, int row)
{
    if (!category || row < 0 || row >= GetCount()) return;
    while (row + 1 < GetCount() && m_rows[std::size_t(row + 1)]->GetKind() != PROPKIND_CATEGORY)
    {
        category->Children().push_back(m_rows[std::size_t(row + 1)]);
        EraseRow(row + 1);
    }
    category->SetExpanded(false);
    if (m_top > std::max(0, GetCount() - 1)) m_top = std::max(0, GetCount() - 1);
    RowsChanged();
    RepaintAll();
}

bool CPropertyListImpl::ExpandItem(IProperty* category)
{
    if (!category || category->GetKind() != PROPKIND_CATEGORY) return false;
    auto* cat = static_cast<CCategoryProperty*>(category);
    const int row = FindProperty(cat);
    if (row < 0) return false;
    // An editor further down would be left over the wrong row.
    if (m_editRow > row) DestroyInplaceWindow();
    std::vector<IProperty*> children;
    children.swap(cat->Children());
    int at = row + 1;
    for (IProperty* child : children)
        InsertRow(at++, child);
    cat->SetExpanded(true);
    RowsChanged();
    RepaintAll();
    Notify(PIN_EXPANDED, category);
    return true;
}

bool CPropertyListImpl::SpawnInplaceWindow(IProperty* property, int row)
{
    DestroyInplaceWindow();
    if (!property || row < 0 || row != m_curSel || !property->IsEnabled()) return false;
    RECT rc = GetItemRect(row);
    rc.left += SplitterX() + 1;
    rc.top += 1;
    rc.bottom -= 1;
    IInplaceEditor* editor = property->CreateInplaceControl(*this, rc);
    if (!editor) return false;
    editor->Show();
    m_editor = editor;
    m_editRow = row;
    return true;
}

void CPropertyListImpl::DestroyInplaceWindow()
{
    if (!m_editor) return;
    // Taking the focus from an editor ends the edit the way leaving it always does: what was
    // typed is kept (the editor commits and goes), so a key that moves to another row loses
    // nothing.
    if (!m_destroying && m_editor->HasFocusInside())
    {
        TakeFocus();
        if (!m_editor) return;
    }
    IInplaceEditor* editor = m_editor;
    m_editor = nullptr;
    m_editRow = -1;
    if (editor->HasFocusInside()) TakeFocus();
    editor->Close();
}

IInplaceEditor* CPropertyListImpl::EditorOf(const IProperty* property) const
{
    return m_editor && GetProperty(m_editRow) == property ? m_editor : nullptr;
}

void CPropertyListImpl::InvalidateItem(int row)
{
    if (row < 0 || row >= GetCount()) return;
    Repaint(GetItemRect(row));
}

void CPropertyListImpl::OnCommitMessage(const IInplaceEditor* editor)
{
    if (m_editRow < 0 || !m_editor || editor != m_editor) return;
    const int row = m_editRow;
    IProperty* property = m_rows[std::size_t(row)];
    if (Notify(PIN_ITEMCHANGING, property) == 0)
    {
        if (!property->SetValueFromWindow(*m_editor)) Beep();
        Notify(PIN_ITEMCHANGED, property);
    }
    InvalidateItem(FindProperty(property));
    DestroyInplaceWindow();
}

void CPropertyListImpl::OnCancelMessage(const IInplaceEditor* editor)
{
    if (m_editRow < 0 || !m_editor || editor != m_editor) return;
    InvalidateItem(m_editRow);
    DestroyInplaceWindow();
}

void CPropertyListImpl::OnSetValueMessage(const CPropertyVariant* value, IProperty* property)
{
    if (!value || !property) return;
    if (Notify(PIN_ITEMCHANGING, property) == 0)
    {
        if (!property->SetValue(*value)) Beep();
        Notify(PIN_ITEMCHANGED, property);
    }
    const int row = FindProperty(property);
    InvalidateItem(row);
    if (row >= 0 && row == m_editRow) SpawnInplaceWindow(property, row);
}

void CPropertyListImpl::OnNavigateMessage(int key)
{
    if (key != VK_UP && key != VK_DOWN) return;
    if (GetCount() == 0) return;
    const int row = std::clamp(m_curSel + (key == VK_UP ? -1 : 1), 0, GetCount() - 1);
    SetCurSel(row);
    OnSelChange();
}

void CPropertyListImpl::OnSelChange()
{
    DestroyInplaceWindow();
    IProperty* property = GetProperty(m_curSel);
    if (property && property->GetKind() != PROPKIND_CATEGORY && property->IsEnabled())
    {
        SpawnInplaceWindow(property, m_curSel);
        property->Activate(PACT_SELECT, 0);
        if ((m_style & PLS_EDITONSELECT) && property->GetKind() == PROPKIND_EDIT)
            property->Activate(PACT_DBLCLICK, 0);
    }
    Notify(PIN_SELCHANGED, property);
}

bool CPropertyListImpl::OnKeyDown(int key)
{
    IProperty* property = GetProperty(m_curSel);
    if (key == VK_TAB)
    {
        if (property) property->Activate(PACT_TAB, 0);
        return property != nullptr;
    }
    if (key == VK_SPACE || key == VK_F2)
    {
        if (property)
        {
            if (m_editRow != m_curSel) SpawnInplaceWindow(property, m_curSel);
            if (property->IsEnabled()) property->Activate(PACT_SPACE, 0);
        }
        return true;
    }

    // The list's own keys.
    const int count = GetCount();
    if (count == 0) return false;
    int target = m_curSel;
    const int page = std::max(1, VisibleRows() - 1);
    switch (key)
    {
    case VK_UP:
    case VK_LEFT:
        target = m_curSel < 0 ? 0 : m_curSel - 1;
        break;
    case VK_DOWN:
    case VK_RIGHT:
        target = m_curSel < 0 ? 0 : m_curSel + 1;
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = count - 1;
        break;
    case VK_PRIOR:
        target = m_curSel < 0 ? 0 : m_curSel - page;
        break;
    case VK_NEXT:
        target = m_curSel < 0 ? 0 : m_curSel + page;
        break;
    default:
        return false;
    }
    target = std::clamp(target, 0, count - 1);
    if (target != m_curSel)
    {
        SetCurSel(target);
        OnSelChange();
    }
    return true;
}

bool CPropertyListImpl::OnChar(wchar_t ch)
{
    if (ch == L' ') return true;
    if (ch < L' ') return false;
    IProperty* property = GetProperty(m_curSel);
    if (!property || !property->IsEnabled()) return false;
    if (m_editRow != m_curSel && !SpawnInplaceWindow(property, m_curSel)) return false;
    property->Activate(PACT_SPACE, 0);
    if (m_editor) m_editor->ForwardChar(ch);
    return true;
}

void CPropertyListImpl::OnLButtonDown(int x, int y)
{
    TakeFocus();
    const int row = ItemFromPoint(y);
    if (row >= 0)
    {
        SetCurSel(row);
        OnSelChange();
    }
    if (IsOverSplitter(x) && !(m_style & PLS_FIXEDSPLITTER))
    {
        m_dragging = true;
        m_dragStart = x;
        m_trackerX = x;
        RepaintAll();
    }
    if (row < 0 || row != m_curSel) return;
    IProperty* property = m_rows[std::size_t(row)];
    const LPARAM point = LPARAM((x & 0xFFFF) | ((y & 0xFFFF) << 16));
    if (Notify(PIN_CLICK, property) != 0) return;
    if ((m_style & PLS_CATEGORIZED) && x < kMargin)
        property->Activate(PACT_MARGINCLICK, point);
    else if (property->IsEnabled())
        property->Activate(PACT_CLICK, point);
}

void CPropertyListImpl::OnLButtonDblClk(int x, int y)
{
    const int row = ItemFromPoint(y);
    if (row < 0 || row != m_curSel) return;
    IProperty* property = m_rows[std::size_t(row)];
    if (Notify(PIN_DBLCLICK, property) != 0) return;
    if (property->IsEnabled()) property->Activate(PACT_DBLCLICK, LPARAM((x & 0xFFFF) | ((y & 0xFFFF) << 16)));
}

namespace
{
int ClampTracker(int x, int width)
{
    if (x > width - 10) x = width - 10;
    if (x < 10) x = 10;
    return x;
}
} // namespace

void CPropertyListImpl::OnMouseMove(int x, int)
{
    if (!m_dragging) return;
    m_trackerX = ClampTracker(x, ClientWidth());
    RepaintAll();
}

void CPropertyListImpl::OnLButtonUp(int x, int)
{
    if (!m_dragging) return;
    m_splitter += ClampTracker(x, ClientWidth()) - m_dragStart;
    m_dragging = false;
    RepaintAll();
    // The editor follows the value column.
    if (IProperty* property = GetProperty(m_editRow)) SpawnInplaceWindow(property, m_editRow);
}

void CPropertyListImpl::OnScroll(int topRow)
{
    DestroyInplaceWindow();
    m_top = std::clamp(topRow, 0, std::max(0, GetCount() - 1));
    RepaintAll();
}

void CPropertyListImpl::OnSize(int width, int)
{
    DestroyInplaceWindow();
    if (!m_keepSplitter) m_splitter = width / 2;
    RowsChanged();
    OnSelChange();
}

void CPropertyListImpl::OnSettingChange()
{
    m_di.style = m_style;
    ReadSettings(m_di);
    RowsChanged();
    RepaintAll();
}

int CPropertyListImpl::VisibleRows() const
{
    return std::max(1, ClientHeight() / RowHeight());
}

void CPropertyListImpl::EnsureVisible(int row)
{
    int top = m_top;
    const int visible = VisibleRows();
    if (row < top) top = row;
    if (row >= top + visible) top = row - visible + 1;
    if (top != m_top) ScrollToTop(top);
}

RECT CPropertyListImpl::GetItemRect(int row) const
{
    const int h = RowHeight();
    const int top = (row - m_top) * h;
    return RECT{0, top, ClientWidth(), top + h};
}

int CPropertyListImpl::ItemFromPoint(int y) const
{
    if (y < 0) return -1;
    const int row = m_top + y / RowHeight();
    return row < GetCount() ? row : -1;
}

void CPropertyListImpl::Paint(IPropertyPainter& painter, const RECT& clip)
{
    const int h = RowHeight();
    const int width = ClientWidth();
    int y = 0;
    for (int row = m_top; row < GetCount() && y < clip.bottom; ++row, y += h)
        if (y + h > clip.top) DrawItem(painter, row);
    if (y < clip.bottom)
        painter.FillRect(RECT{0, std::max(y, int(clip.top)), width, clip.bottom}, m_di.clrBack);
}

void CPropertyListImpl::DrawItem(IPropertyPainter& painter, int row)
{
    IProperty* property = m_rows[std::size_t(row)];
    RECT rc = GetItemRect(row);
    PropertyDrawInfo di = m_di;
    di.painter = &painter;
    di.style = m_style;
    di.state = 0;
    if (row == m_curSel && (HasFocus() || (m_style & PLS_KEEPSELECTION))) di.state |= ODS_SELECTED;
    if (row == m_curSel && HasFocus()) di.state |= ODS_FOCUS;
    if (row == m_editRow) di.state |= ODS_EDITING;
    const bool category = property->GetKind() == PROPKIND_CATEGORY;
    const bool flatCategory = category && (m_style & PLS_FLATCATEGORIES);

    if (m_style & PLS_CATEGORIZED)
    {
        const RECT margin{rc.left, rc.top, rc.left + kMargin, rc.bottom};
        painter.FillRect(margin, (m_style & PLS_FLATCATEGORIES) ? m_di.clrBorder : m_di.clrBack);
        painter.FillRect(RECT{rc.left + 15, rc.top, rc.left + 16, rc.bottom}, m_di.clrBorder);
        if (category)
        {
            const int mid = (rc.top + rc.bottom) / 2;
            const int x = rc.left;
            painter.FrameRect(RECT{x + 4, mid - 4, x + 13, mid + 5}, kBlack);
            painter.FillRect(RECT{x + 6, mid, x + 11, mid + 1}, kBlack);
            if (!static_cast<CCategoryProperty*>(property)->IsExpanded())
                painter.FillRect(RECT{x + 8, mid - 2, x + 9, mid + 3}, kBlack);
        }
        rc.left += kMargin;
    }

    RECT name = rc;
    if (!flatCategory) name.right = rc.left + m_splitter;
    di.rc = name;
    property->DrawName(di);

    if (row != m_editRow)
    {
        RECT value = rc;
        value.left = rc.left + m_splitter + 1;
        painter.FillRect(value, m_di.clrBack);
        di.rc = value;
        if (!property->IsEnabled()) di.state |= ODS_DISABLED;
        property->DrawValue(di);
    }

    painter.FillRect(RECT{rc.left, rc.bottom - 1, rc.right, rc.bottom}, m_di.clrBorder);
    if (!flatCategory)
        painter.FillRect(RECT{rc.left + m_splitter, rc.top, rc.left + m_splitter + 1, rc.bottom},
                         m_di.clrBorder);
}
