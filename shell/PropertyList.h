// The property list without its window: rows of property objects drawn in two columns (name and
// value, parted by a splitter the user can drag), category rows that collapse the rows below
// them and expand them again, an editor over the value of the selected row, and what the mouse
// and the keys do to all of it. The window it lives in (CPropertyListCtrl) supplies drawing,
// focus, editors and beeps through the virtual functions at the end of CPropertyListImpl; the
// parent hears of changes through IPropertyListNotify. Everything runs on one thread.
#pragma once

#include "platform/WinTypes.h"
#include "shell/PropertyVariant.h"

#include <cstdint>
#include <string>
#include <vector>

using LPARAM = std::intptr_t;

class CPropertyListImpl;

// Row kinds.
enum : BYTE
{
    PROPKIND_CATEGORY = 1,
    PROPKIND_SIMPLE = 2, // a read-only value
    PROPKIND_EDIT = 3,
    PROPKIND_LIST = 4,
    PROPKIND_CHECK = 6,
};

// What happened to a row (IProperty::Activate).
enum : int
{
    PACT_SELECT = 1,      // the row was selected
    PACT_MARGINCLICK = 2, // a click in the category margin
    PACT_CLICK = 3,
    PACT_DBLCLICK = 4,
    PACT_TAB = 6,
    PACT_SPACE = 7, // Space, F2 or a typed character
};

// Notifications to the parent.
enum : int
{
    PIN_SELCHANGED = -3001,   // the selected row changed (null: none)
    PIN_ITEMCHANGING = -3002, // a value is about to change; non-zero vetoes
    PIN_ITEMCHANGED = -3003,
    PIN_COLLAPSED = -3004,
    PIN_EXPANDED = -3005,
    PIN_CLICK = -3007,    // non-zero suppresses what the click does
    PIN_DBLCLICK = -3008, // non-zero suppresses what the double click does
};

// Style flags of the list.
enum : unsigned
{
    PLS_CATEGORIZED = 1,    // categories with a 16-pixel margin holding a plus/minus box
    PLS_FLATCATEGORIES = 4, // category rows as a band across both columns, in the normal font
    PLS_KEEPSELECTION = 8,  // the selection stays shown without the focus
    PLS_EDITONSELECT = 16,  // selecting a text row also puts the focus in its editor
    PLS_FIXEDSPLITTER = 32, // the splitter cannot be dragged
};

// Drawing states of a row.
enum : UINT
{
    ODS_SELECTED = 0x0001,
    ODS_DISABLED = 0x0004,
    ODS_FOCUS = 0x0010,
    ODS_EDITING = 0x1000, // the row being edited
};

// Keys the list and its editors react to.
enum : int
{
    VK_TAB = 9,
    VK_RETURN = 13,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_F2 = 113,
    VK_F4 = 115,
};

// Colours as 0xRRGGBB.
using PropColour = DWORD;

enum class PropFont
{
    Normal,
    Category, // bold, unless the categories are drawn flat
};

// What the rows draw with; the window supplies it.
class IPropertyPainter
{
public:
    virtual ~IPropertyPainter() = default;
    virtual void FillRect(const RECT& r, PropColour colour) = 0;
    // A one-pixel outline just inside r.
    virtual void FrameRect(const RECT& r, PropColour colour) = 0;
    // One line of text, vertically centred, no mnemonics; ellipsis: cut with "..." when too long.
    virtual void DrawText(const RECT& r, const std::wstring& text, PropFont font, PropColour colour,
                          bool ellipsis) = 0;
    virtual int TextWidth(const std::wstring& text, PropFont font) = 0;
    virtual void FocusRect(const RECT& r) = 0;
    virtual void CheckBox(const RECT& r, bool checked, bool enabled) = 0;
    virtual SIZE CheckBoxSize() = 0;
};

struct PropertyDrawInfo
{
    IPropertyPainter* painter = nullptr;
    RECT rc{};
    UINT state = 0;
    PropColour clrText = 0x000000;
    PropColour clrBack = 0xFFFFFF;
    PropColour clrSelText = 0xFFFFFF;
    PropColour clrSelBack = 0x3060C0;
    PropColour clrBorder = 0xD4D0C8;
    PropColour clrDisabled = 0x808080;
    int textHeight = 13; // the normal font's height
    unsigned style = 0;
};

// An editor over a row's value. The list forgets it with Close(); the object goes away later.
class IInplaceEditor
{
public:
    virtual ~IInplaceEditor() = default;
    virtual std::wstring GetWindowText() const = 0;
    virtual void FocusAndSelectAll() = 0;
    // The choice editor opens its list; the text editor does nothing.
    virtual void OpenList() = 0;
    // A character typed on the list, passed on to the editor.
    virtual void ForwardChar(wchar_t ch) = 0;
    virtual bool HasFocusInside() const = 0;
    virtual void Show() = 0;
    virtual void Close() = 0;
};

// Makes the editors (the list's window is their parent).
class IInplaceFactory
{
public:
    virtual ~IInplaceFactory() = default;
    // digitsOnly: the editor accepts only digits (unsigned values).
    virtual IInplaceEditor* CreateTextEditor(const RECT& rc, const std::wstring& text, bool digitsOnly) = 0;
    virtual IInplaceEditor* CreateChoiceEditor(const RECT& rc, const std::wstring& text,
                                               const std::vector<std::wstring>& options, int selected) = 0;
};

class IProperty
{
public:
    virtual ~IProperty() = default;
    virtual BYTE GetKind() const = 0;
    virtual void SetOwner(CPropertyListImpl* owner) = 0;
    virtual const std::wstring& GetName() const = 0;
    // Enabled when the argument is exactly 1.
    virtual void SetEnabled(BOOL enable) = 0;
    virtual BOOL IsEnabled() const = 0;
    virtual void SetItemData(LPARAM data) = 0;
    virtual LPARAM GetItemData() const = 0;
    virtual void DrawName(PropertyDrawInfo& di) = 0;
    virtual void DrawValue(PropertyDrawInfo& di) = 0;
    // The editor of the row, or null when it has none.
    virtual IInplaceEditor* CreateInplaceControl(IInplaceFactory& parent, const RECT& rc) = 0;
    virtual BOOL Activate(int action, LPARAM param) = 0;
    virtual BOOL GetDisplayValue(std::wstring& text) const = 0;
    virtual int GetDisplayValueLength() const = 0;
    virtual BOOL GetValue(CPropertyVariant& value) const = 0;
    virtual BOOL SetValueFromWindow(const IInplaceEditor& editor) = 0;
    virtual BOOL SetValue(const CPropertyVariant& value) = 0;
};

// A named row that shows nothing on the right and does nothing.
class CProperty : public IProperty
{
public:
    explicit CProperty(std::wstring name, LPARAM data = 0) : m_name(std::move(name)), m_lParam(data) {}

    void SetOwner(CPropertyListImpl* owner) override { m_owner = owner; }
    const std::wstring& GetName() const override { return m_name; }
    void SetEnabled(BOOL enable) override { m_enabled = enable == 1; }
    BOOL IsEnabled() const override { return m_enabled; }
    void SetItemData(LPARAM data) override { m_lParam = data; }
    LPARAM GetItemData() const override { return m_lParam; }
    void DrawName(PropertyDrawInfo& di) override;
    void DrawValue(PropertyDrawInfo&) override {}
    IInplaceEditor* CreateInplaceControl(IInplaceFactory&, const RECT&) override { return nullptr; }
    BOOL Activate(int, LPARAM) override { return TRUE; }
    BOOL GetDisplayValue(std::wstring&) const override { return FALSE; }
    int GetDisplayValueLength() const override { return 0; }
    BOOL GetValue(CPropertyVariant&) const override { return FALSE; }
    BOOL SetValueFromWindow(const IInplaceEditor&) override { return FALSE; }
    BOOL SetValue(const CPropertyVariant&) override { return FALSE; }

protected:
    // The name in the given font, highlighted when selected.
    void DrawNameIn(PropertyDrawInfo& di, PropFont font);
    // The editor the list shows for this row now, or null.
    IInplaceEditor* Editor() const;

    CPropertyListImpl* m_owner = nullptr;
    std::wstring m_name;
    bool m_enabled = true;
    LPARAM m_lParam = 0;
};

// A read-only value.
class CPropertyItem : public CProperty
{
public:
    CPropertyItem(std::wstring name, CPropertyVariant value, LPARAM data = 0)
        : CProperty(std::move(name), data), m_val(std::move(value))
    {
    }
    BYTE GetKind() const override { return PROPKIND_SIMPLE; }
    void DrawValue(PropertyDrawInfo& di) override;
    BOOL GetDisplayValue(std::wstring& text) const override;
    int GetDisplayValueLength() const override;
    BOOL GetValue(CPropertyVariant& value) const override;
    BOOL SetValue(const CPropertyVariant& value) override;

protected:
    CPropertyVariant m_val;
};

// A value edited as text; the text is converted to the type the value already has.
class CPropertyEditItem : public CPropertyItem
{
public:
    using CPropertyItem::CPropertyItem;
    BYTE GetKind() const override { return PROPKIND_EDIT; }
    IInplaceEditor* CreateInplaceControl(IInplaceFactory& parent, const RECT& rc) override;
    BOOL Activate(int action, LPARAM param) override;
    BOOL SetValue(const CPropertyVariant& value) override;
    BOOL SetValueFromWindow(const IInplaceEditor& editor) override;
};

// One option of a list; the value is the index of the selected option (VT_I4, -1 for none).
class CPropertyListItem : public CPropertyItem
{
public:
    explicit CPropertyListItem(std::wstring name, LPARAM data = 0);
    BYTE GetKind() const override { return PROPKIND_LIST; }
    void AddListItem(std::wstring option) { m_options.push_back(std::move(option)); }
    const std::vector<std::wstring>& Options() const { return m_options; }
    IInplaceEditor* CreateInplaceControl(IInplaceFactory& parent, const RECT& rc) override;
    BOOL Activate(int action, LPARAM param) override;
    BOOL GetDisplayValue(std::wstring& text) const override;
    int GetDisplayValueLength() const override;
    BOOL SetValue(const CPropertyVariant& value) override;
    BOOL SetValueFromWindow(const IInplaceEditor& editor) override;

private:
    std::vector<std::wstring> m_options;
};

// A choice row with the options of a null-terminated array and the given option selected.
CPropertyListItem* CreatePropertyListItem(const wchar_t* name, const wchar_t* const* options, int selected,
                                          LPARAM data = 0);

// A check box.
class CPropertyCheckButtonItem : public CProperty
{
public:
    CPropertyCheckButtonItem(std::wstring name, bool checked, LPARAM data = 0)
        : CProperty(std::move(name), data), m_checked(checked)
    {
    }
    BYTE GetKind() const override { return PROPKIND_CHECK; }
    void DrawValue(PropertyDrawInfo& di) override;
    BOOL Activate(int action, LPARAM param) override;
    BOOL GetValue(CPropertyVariant& value) const override;
    // Only a boolean is accepted.
    BOOL SetValue(const CPropertyVariant& value) override;

private:
    bool m_checked;
};

// A category: while collapsed it holds (and owns) the rows that were below it.
class CCategoryProperty : public CProperty
{
public:
    explicit CCategoryProperty(std::wstring name, LPARAM data = 0) : CProperty(std::move(name), data) {}
    ~CCategoryProperty() override;
    BYTE GetKind() const override { return PROPKIND_CATEGORY; }
    void DrawName(PropertyDrawInfo& di) override;
    void DrawValue(PropertyDrawInfo& di) override;
    BOOL Activate(int action, LPARAM param) override;

    bool IsExpanded() const { return m_expanded; }
    void SetExpanded(bool expanded) { m_expanded = expanded; }
    std::vector<IProperty*>& Children() { return m_children; }

private:
    std::vector<IProperty*> m_children;
    bool m_expanded = true;
};

class IPropertyListNotify
{
public:
    virtual ~IPropertyListNotify() = default;
    virtual std::intptr_t OnPropertyNotify(int code, IProperty* property) = 0;
};

class CPropertyListImpl : public IInplaceFactory
{
public:
    CPropertyListImpl() = default;
    // Deletes every row (collapsed ones with their category).
    ~CPropertyListImpl() override;
    CPropertyListImpl(const CPropertyListImpl&) = delete;
    CPropertyListImpl& operator=(const CPropertyListImpl&) = delete;

    void SetNotify(IPropertyListNotify* notify) { m_notify = notify; }
    void SetExtendedListStyle(unsigned style);
    unsigned GetExtendedListStyle() const { return m_style; }
    // Keeps the splitter where it is when the list is resized.
    void SetKeepSplitter(bool keep) { m_keepSplitter = keep; }

    // ---- Rows ----
    // Appends a row the list then owns.
    IProperty* AddItem(IProperty* property);
    int FindProperty(const IProperty* property) const;
    int GetCount() const { return int(m_rows.size()); }
    IProperty* GetProperty(int row) const;
    int GetCurSel() const { return m_curSel; }
    // Selects a row (or none with -1) and scrolls it into view, without notifying.
    void SetCurSel(int row);
    // Removes and deletes every row.
    void ResetContent();
    bool CollapseItem(IProperty* category);
    // Moves the rows below the category's row, down to the next category, into its children.
    void CollapseRows(CCategoryProperty* category, int row);
    bool ExpandItem(IProperty* category);

    // ---- The editor ----
    bool SpawnInplaceWindow(IProperty* property, int row);
    void DestroyInplaceWindow();
    IInplaceEditor* InplaceEditor() const { return m_editor; }
    int InplaceRow() const { return m_editRow; }
    // The editor shown for a property, or null.
    IInplaceEditor* EditorOf(const IProperty* property) const;
    void InvalidateItem(int row);

    // ---- What properties and editors send ----
    void OnCommitMessage(const IInplaceEditor* editor);
    void OnCancelMessage(const IInplaceEditor* editor);
    void OnSetValueMessage(const CPropertyVariant* value, IProperty* property);
    void OnExpandMessage(IProperty* category) { ExpandItem(category); }
    void OnCollapseMessage(IProperty* category) { CollapseItem(category); }
    // Up and Down move the selection one row, never past the first or the last.
    void OnNavigateMessage(int key);

    // ---- Input (client coordinates) ----
    // True when the key was used.
    bool OnKeyDown(int key);
    // True when the character was used (the space always is).
    bool OnChar(wchar_t ch);
    void OnLButtonDown(int x, int y);
    void OnLButtonDblClk(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp(int x, int y);
    // The list scrolled to a new top row.
    void OnScroll(int topRow);
    void OnSize(int width, int height);
    // Colours, fonts or styles changed.
    void OnSettingChange();
    void OnSelChange();

    // ---- Geometry and drawing ----
    int RowHeight() const { return m_di.textHeight + 3; }
    int TopIndex() const { return m_top; }
    int VisibleRows() const;
    RECT GetItemRect(int row) const;
    // The row under a client y, or -1.
    int ItemFromPoint(int y) const;
    int SplitterPos() const { return m_splitter; }
    // x of the splitter line in the client area.
    int SplitterX() const { return m_splitter + ((m_style & PLS_CATEGORIZED) ? 16 : 0); }
    bool IsOverSplitter(int x) const { return x == SplitterX(); }
    bool IsDragging() const { return m_dragging; }
    int TrackerX() const { return m_trackerX; }
    const PropertyDrawInfo& DrawInfo() const { return m_di; }
    void Paint(IPropertyPainter& painter, const RECT& clip);

protected:
    // ---- The window ----
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    virtual bool HasFocus() const = 0;
    virtual void TakeFocus() = 0;
    virtual void Beep() = 0;
    virtual void Repaint(const RECT& rc) = 0;
    virtual void RepaintAll() = 0;
    // The number of rows changed: the scroll range follows.
    virtual void RowsChanged() = 0;
    // Shows another top row; the window calls OnScroll when it did.
    virtual void ScrollToTop(int topRow) = 0;
    // Colours and the font height into the draw info.
    virtual void ReadSettings(PropertyDrawInfo& di) = 0;

    std::intptr_t Notify(int code, IProperty* property);

private:
    void DrawItem(IPropertyPainter& painter, int row);
    void EnsureVisible(int row);
    void InsertRow(int row, IProperty* property);
    void EraseRow(int row);

    std::vector<IProperty*> m_rows;
    IPropertyListNotify* m_notify = nullptr;
    PropertyDrawInfo m_di;
    IInplaceEditor* m_editor = nullptr;
    int m_editRow = -1;
    int m_curSel = -1;
    int m_top = 0;
    unsigned m_style = 0;
    bool m_dragging = false;
    int m_dragStart = 0;
    int m_trackerX = 0;
    int m_splitter = 0;
    bool m_keepSplitter = false;
    bool m_destroying = false;
};
