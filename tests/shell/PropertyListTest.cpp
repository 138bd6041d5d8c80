// The property list's logic with a window of our own: editors that record what they are told,
// focus moved by hand, beeps and notifications counted.
#include "shell/PropertyList.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace
{
class FakeList;

// An editor that behaves as the real ones do when the focus leaves them.
class FakeEditor : public IInplaceEditor
{
public:
    FakeEditor(FakeList& list, RECT rc, std::wstring text, bool digits, bool choice)
        : list(list), rc(rc), text(std::move(text)), digitsOnly(digits), choice(choice)
    {
    }
    std::wstring GetWindowText() const override { return text; }
    void FocusAndSelectAll() override;
    void OpenList() override { ++listsOpened; }
    void ForwardChar(wchar_t ch) override
    {
        text = allSelected ? std::wstring(1, ch) : text + ch;
        allSelected = false;
        modified = true;
    }
    bool HasFocusInside() const override { return focused; }
    void Show() override { shown = true; }
    void Close() override { closed = true; }

    // The user types into the editor (which has the focus).
    void Type(const std::wstring& t)
    {
        text = t;
        modified = true;
    }
    // The focus goes elsewhere: the text editor commits a modified text, else cancels.
    void LoseFocus();

    FakeList& list;
    RECT rc;
    std::wstring text;
    bool digitsOnly;
    bool choice;
    bool focused = false;
    bool allSelected = false;
    bool modified = false;
    bool cancelled = false;
    bool shown = false;
    bool closed = false;
    int listsOpened = 0;
};

class FakeList : public CPropertyListImpl
{
public:
    FakeList()
    {
        OnSettingChange();
        OnSize(200, 160);
    }
    ~FakeList() override { ResetContent(); }

    FakeEditor* Editor() const { return static_cast<FakeEditor*>(InplaceEditor()); }
    // The user clicks the list: the focus leaves any editor.
    void TakeFocusForTest() { TakeFocus(); }
    FakeEditor* LastEditor() const { return editors.empty() ? nullptr : editors.back().get(); }
    void Focus(FakeEditor* editor)
    {
        if (focusedEditor && focusedEditor != editor) focusedEditor->LoseFocus();
        focusedEditor = editor;
        editor->focused = true;
        listFocused = false;
    }

    std::vector<std::unique_ptr<FakeEditor>> editors;
    FakeEditor* focusedEditor = nullptr;
    bool listFocused = true;
    int beeps = 0;
    int width = 200;
    int height = 160;

protected:
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    bool HasFocus() const override { return listFocused; }
    void TakeFocus() override
    {
        if (FakeEditor* e = focusedEditor)
        {
            focusedEditor = nullptr;
            e->LoseFocus();
        }
        listFocused = true;
    }
    void Beep() override { ++beeps; }
    void Repaint(const RECT&) override {}
    void RepaintAll() override {}
    void RowsChanged() override {}
    void ScrollToTop(int top) override { OnScroll(top); }
    void ReadSettings(PropertyDrawInfo& di) override { di.textHeight = 13; }
    IInplaceEditor* CreateTextEditor(const RECT& rc, const std::wstring& text, bool digitsOnly) override
    {
        editors.push_back(std::make_unique<FakeEditor>(*this, rc, text, digitsOnly, false));
        return editors.back().get();
    }
    IInplaceEditor* CreateChoiceEditor(const RECT& rc, const std::wstring& text,
                                       const std::vector<std::wstring>&, int) override
    {
        editors.push_back(std::make_unique<FakeEditor>(*this, rc, text, false, true));
        return editors.back().get();
    }
};

void FakeEditor::FocusAndSelectAll()
{
    list.Focus(this);
    allSelected = true;
}

void FakeEditor::LoseFocus()
{
    focused = false;
    if (closed || choice) return;
    if (cancelled || !modified)
        list.OnCancelMessage(this);
    else
        list.OnCommitMessage(this);
}

struct Notes : IPropertyListNotify
{
    std::intptr_t OnPropertyNotify(int code, IProperty* property) override
    {
        seen.push_back({code, property});
        const auto it = replies.find(code);
        return it == replies.end() ? 0 : it->second;
    }
    std::vector<int> Codes() const
    {
        std::vector<int> c;
        for (const auto& s : seen)
            c.push_back(s.first);
        return c;
    }
    std::vector<std::pair<int, IProperty*>> seen;
    std::map<int, std::intptr_t> replies;
};

// Counts the rows alive, to see each deleted exactly once.
class CountedRow : public CPropertyItem
{
public:
    explicit CountedRow(int& alive) : CPropertyItem(L"row", CPropertyVariant::I4(0)), m_alive(alive)
    {
        ++m_alive;
    }
    ~CountedRow() override { --m_alive; }

private:
    int& m_alive;
};

std::int64_t IntOf(const IProperty* p)
{
    CPropertyVariant v;
    p->GetValue(v);
    return v.IntValue();
}

std::vector<std::wstring> Names(const CPropertyListImpl& list)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < list.GetCount(); ++i)
        names.push_back(list.GetProperty(i)->GetName());
    return names;
}

// A list of two categories: "A" with an edit row, a choice and a check box; "B" with one row.
struct TwoCategories
{
    TwoCategories()
    {
        list.SetNotify(&notes);
        list.SetExtendedListStyle(PLS_CATEGORIZED);
        static const wchar_t* const options[] = {L"un", L"deux", L"trois", nullptr};
        catA = new CCategoryProperty(L"A");
        edit = new CPropertyEditItem(L"edit", CPropertyVariant::I4(7));
        choice = CreatePropertyListItem(L"choice", options, 0);
        check = new CPropertyCheckButtonItem(L"check", false);
        catB = new CCategoryProperty(L"B");
        other = new CPropertyItem(L"other", CPropertyVariant::Text(L"x"));
        for (IProperty* p : std::initializer_list<IProperty*>{catA, edit, choice, check, catB, other})
            list.AddItem(p);
        notes.seen.clear();
    }
    void Select(IProperty* p)
    {
        list.SetCurSel(list.FindProperty(p));
        list.OnSelChange();
        notes.seen.clear();
    }
    int RowY(IProperty* p) const { return list.GetItemRect(list.FindProperty(p)).top + 2; }

    FakeList list;
    Notes notes;
    CCategoryProperty* catA;
    CPropertyEditItem* edit;
    CPropertyListItem* choice;
    CPropertyCheckButtonItem* check;
    CCategoryProperty* catB;
    CPropertyItem* other;
};
} // namespace

TEST(PropertyVariant, ConvertsWithoutTheLocaleAndWithinRange)
{
    struct Case
    {
        CPropertyVariant from;
        VARTYPE to;
        bool ok;
        CPropertyVariant expected;
    };
    const Case cases[] = {
        {CPropertyVariant::Text(L"42"), VT_I4, true, CPropertyVariant::I4(42)},
        {CPropertyVariant::Text(L"  -17 "), VT_I4, true, CPropertyVariant::I4(-17)},
        {CPropertyVariant::Text(L"+5"), VT_I4, true, CPropertyVariant::I4(5)},
        {CPropertyVariant::Text(L"abc"), VT_I4, false, {}},
        {CPropertyVariant::Text(L""), VT_I4, false, {}},
        {CPropertyVariant::Text(L"1 2"), VT_I4, false, {}},
        {CPropertyVariant::Text(L"1,5"), VT_I4, false, {}},
        {CPropertyVariant::Text(L"2147483648"), VT_I4, false, {}},
        {CPropertyVariant::Text(L"99999999999999999999"), VT_I4, false, {}},
        {CPropertyVariant::Text(L"-1"), VT_UI4, false, {}},
        {CPropertyVariant::Text(L"4294967295"), VT_UI4, true, CPropertyVariant::Int(VT_UI4, 4294967295LL)},
        {CPropertyVariant::I4(300), VT_UI1, false, {}},
        {CPropertyVariant::I4(-32768), VT_I2, true, CPropertyVariant::Int(VT_I2, -32768)},
        {CPropertyVariant::I4(2), VT_BOOL, true, CPropertyVariant::Bool(true)},
        {CPropertyVariant::Bool(true), VT_I4, true, CPropertyVariant::I4(-1)},
        {CPropertyVariant::I4(-12), VT_BSTR, true, CPropertyVariant::Text(L"-12")},
        {CPropertyVariant(), VT_I4, true, CPropertyVariant::I4(0)},
        {CPropertyVariant(), VT_BSTR, true, CPropertyVariant::Text(L"")},
    };
    for (const Case& c : cases)
    {
        const std::optional<CPropertyVariant> got = c.from.ChangeType(c.to);
        ASSERT_EQ(got.has_value(), c.ok) << "from type " << c.from.Type() << " to " << c.to;
        if (c.ok)
        {
            EXPECT_EQ(*got, c.expected) << "from type " << c.from.Type() << " to " << c.to;
        }
    }
}

TEST(PropertyList, CollapsingTakesOnlyTheRowsUpToTheNextCategoryAndExpandingPutsThemBack)
{
    TwoCategories t;
    t.Select(t.other);
    ASSERT_TRUE(t.list.CollapseItem(t.catA));
    EXPECT_EQ(Names(t.list), (std::vector<std::wstring>{L"A", L"B", L"other"}));
    EXPECT_EQ(t.catA->Children(), (std::vector<IProperty*>{t.edit, t.choice, t.check}));
    EXPECT_FALSE(t.catA->IsExpanded());
    EXPECT_EQ(t.list.GetCurSel(), 2) << "the selected row moved up with its row";
    EXPECT_EQ(t.notes.Codes(), std::vector<int>{PIN_COLLAPSED});

    t.notes.seen.clear();
    ASSERT_TRUE(t.list.ExpandItem(t.catA));
    EXPECT_EQ(Names(t.list), (std::vector<std::wstring>{L"A", L"edit", L"choice", L"check", L"B", L"other"}));
    EXPECT_TRUE(t.catA->Children().empty());
    EXPECT_TRUE(t.catA->IsExpanded());
    EXPECT_EQ(t.list.GetCurSel(), 5);
    EXPECT_EQ(t.notes.Codes(), std::vector<int>{PIN_EXPANDED});

    // Only categories collapse; the last category takes the rows down to the end.
    EXPECT_FALSE(t.list.CollapseItem(t.edit));
    t.list.CollapseItem(t.catB);
    EXPECT_EQ(t.catB->Children(), std::vector<IProperty*>{t.other});
    EXPECT_EQ(t.list.GetCurSel(), -1) << "the selected row went into the category";
}

TEST(PropertyList, EveryRowIsDeletedOnceCollapsedOnesWithTheirCategory)
{
    int alive = 0;
    {
        FakeList list;
        list.SetExtendedListStyle(PLS_CATEGORIZED);
        auto* cat = new CCategoryProperty(L"c");
        list.AddItem(cat);
        list.AddItem(new CountedRow(alive));
        list.AddItem(new CountedRow(alive));
        auto* cat2 = new CCategoryProperty(L"d");
        list.AddItem(cat2);
        list.AddItem(new CountedRow(alive));
        list.CollapseItem(cat);
        list.CollapseItem(cat2);
        list.ExpandItem(cat2);
        EXPECT_EQ(alive, 3);
    }
    EXPECT_EQ(alive, 0);
}

TEST(PropertyList, ActivationDoesWhatEachKindOfRowAnswers)
{
    enum class Effect
    {
        None,
        Toggles,  // category or check box changes state
        Advances, // choice goes to the next option
        Focuses,  // the editor gets the focus with its text selected
        Opens,    // the choice editor opens its list
    };
    struct Case
    {
        const char* row;
        int action;
        bool enabled;
        Effect effect;
    };
    const Case cases[] = {
        {"category", PACT_SELECT, true, Effect::None},
        {"category", PACT_MARGINCLICK, true, Effect::Toggles},
        {"category", PACT_CLICK, true, Effect::None},
        {"category", PACT_DBLCLICK, true, Effect::Toggles},
        {"category", PACT_TAB, true, Effect::None},
        {"category", PACT_SPACE, true, Effect::Toggles},
        {"check", PACT_SELECT, true, Effect::None},
        {"check", PACT_MARGINCLICK, true, Effect::None},
        {"check", PACT_CLICK, true, Effect::Toggles},
        {"check", PACT_DBLCLICK, true, Effect::Toggles},
        {"check", PACT_TAB, true, Effect::None},
        {"check", PACT_SPACE, true, Effect::Toggles},
        {"check", PACT_CLICK, false, Effect::None},
        {"check", PACT_SPACE, false, Effect::None},
        {"choice", PACT_SELECT, true, Effect::None},
        {"choice", PACT_CLICK, true, Effect::None},
        {"choice", PACT_DBLCLICK, true, Effect::Advances},
        {"choice", PACT_DBLCLICK, false, Effect::None},
        {"choice", PACT_TAB, true, Effect::None},
        {"choice", PACT_SPACE, true, Effect::Opens},
        {"edit", PACT_SELECT, true, Effect::None},
        {"edit", PACT_CLICK, true, Effect::None},
        {"edit", PACT_DBLCLICK, true, Effect::Focuses},
        {"edit", PACT_TAB, true, Effect::Focuses},
        {"edit", PACT_SPACE, true, Effect::Focuses},
        {"edit", PACT_MARGINCLICK, true, Effect::None},
    };
    for (const Case& c : cases)
    {
        TwoCategories t;
        const std::string name = c.row;
        IProperty* row = name == "category" ? static_cast<IProperty*>(t.catB)
                         : name == "check"  ? static_cast<IProperty*>(t.check)
                         : name == "choice" ? static_cast<IProperty*>(t.choice)
                                            : static_cast<IProperty*>(t.edit);
        t.Select(row); // editors exist for the value rows
        row->SetEnabled(c.enabled ? 1 : 0);
        const int count = t.list.GetCount();
        const bool checked = IntOf(t.check) != 0;
        const std::int64_t option = IntOf(t.choice);
        FakeEditor* editor = t.list.Editor();
        const int opened = editor ? editor->listsOpened : 0;

        EXPECT_TRUE(row->Activate(c.action, 0));

        const bool toggled =
            name == "category" ? t.list.GetCount() != count : (IntOf(t.check) != 0) != checked;
        const bool advanced = IntOf(t.choice) != option;
        const bool focused = editor && editor->focused && editor->allSelected;
        const bool opens = editor && editor->listsOpened != opened;
        const std::string where =
            name + " action " + std::to_string(c.action) + (c.enabled ? "" : " disabled");
        EXPECT_EQ(toggled, c.effect == Effect::Toggles) << where;
        EXPECT_EQ(advanced, c.effect == Effect::Advances) << where;
        EXPECT_EQ(focused, c.effect == Effect::Focuses) << where;
        EXPECT_EQ(opens, c.effect == Effect::Opens) << where;
    }
}

TEST(PropertyList, DoubleClickAdvancesAChoiceWrapsAndCanBeVetoed)
{
    TwoCategories t;
    t.Select(t.choice);
    const int y = t.RowY(t.choice);
    t.list.OnLButtonDblClk(100, y);
    EXPECT_EQ(IntOf(t.choice), 1);
    EXPECT_EQ(t.notes.Codes(), (std::vector<int>{PIN_DBLCLICK, PIN_ITEMCHANGING, PIN_ITEMCHANGED}));
    t.list.OnLButtonDblClk(100, y);
    t.list.OnLButtonDblClk(100, y);
    EXPECT_EQ(IntOf(t.choice), 0) << "past the last option it wraps to the first";
    EXPECT_NE(t.list.Editor(), nullptr) << "the editor row's editor comes back with the new value";
    EXPECT_EQ(t.list.Editor()->text, L"un");

    t.notes.seen.clear();
    t.notes.replies[PIN_ITEMCHANGING] = 1;
    t.list.OnLButtonDblClk(100, y);
    EXPECT_EQ(IntOf(t.choice), 0);
    EXPECT_EQ(t.notes.Codes(), (std::vector<int>{PIN_DBLCLICK, PIN_ITEMCHANGING}));

    t.notes.replies.clear();
    t.notes.replies[PIN_DBLCLICK] = 1;
    t.list.OnLButtonDblClk(100, y);
    EXPECT_EQ(IntOf(t.choice), 0) << "the parent suppressed the double click";
}

TEST(PropertyList, ClicksToggleCheckBoxesAndCategoriesFromTheMargin)
{
    TwoCategories t;
    t.list.OnLButtonDown(100, t.RowY(t.check));
    EXPECT_EQ(t.list.GetCurSel(), t.list.FindProperty(t.check));
    EXPECT_EQ(IntOf(t.check), VARIANT_TRUE);
    EXPECT_EQ(t.notes.Codes(),
              (std::vector<int>{PIN_SELCHANGED, PIN_CLICK, PIN_ITEMCHANGING, PIN_ITEMCHANGED}));

    // A click on a category's name does nothing; in the margin it collapses.
    t.list.OnLButtonDown(100, t.RowY(t.catA));
    EXPECT_TRUE(t.catA->IsExpanded());
    t.list.OnLButtonDown(5, t.RowY(t.catA));
    EXPECT_FALSE(t.catA->IsExpanded());

    // The parent may take the click for itself.
    t.notes.replies[PIN_CLICK] = 1;
    t.list.OnLButtonDown(5, t.RowY(t.catA));
    EXPECT_FALSE(t.catA->IsExpanded());

    // Below the last row nothing is selected or activated.
    t.notes.replies.clear();
    t.notes.seen.clear();
    t.list.OnLButtonDown(100, 150);
    EXPECT_TRUE(t.notes.seen.empty());
}

TEST(PropertyList, TextEditorCommitsCancelsAndBeepsOnBadNumbers)
{
    TwoCategories t;
    t.Select(t.edit);
    FakeEditor* e = t.list.Editor();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->text, L"7");
    EXPECT_FALSE(e->digitsOnly) << "a signed value may be negative";

    // Not a number: nothing stored, one beep, and still the "changed" notification.
    t.list.Focus(e);
    e->Type(L"abc");
    t.list.TakeFocusForTest();
    EXPECT_EQ(IntOf(t.edit), 7);
    EXPECT_EQ(t.list.beeps, 1);
    EXPECT_EQ(t.notes.Codes(), (std::vector<int>{PIN_ITEMCHANGING, PIN_ITEMCHANGED}));
    EXPECT_EQ(t.list.InplaceEditor(), nullptr) << "a commit takes the editor down";
    EXPECT_TRUE(e->closed);

    // A number is stored in the row's type.
    t.Select(t.edit);
    e = t.list.Editor();
    t.list.Focus(e);
    e->Type(L" 42");
    t.list.TakeFocusForTest();
    EXPECT_EQ(IntOf(t.edit), 42);
    CPropertyVariant v;
    t.edit->GetValue(v);
    EXPECT_EQ(v.Type(), VT_I4);

    // Escape, or leaving without a change, stores nothing and tells nobody.
    t.Select(t.edit);
    e = t.list.Editor();
    t.list.Focus(e);
    e->Type(L"99");
    e->cancelled = true;
    t.list.TakeFocusForTest();
    EXPECT_TRUE(t.notes.seen.empty());
    EXPECT_EQ(t.list.InplaceEditor(), nullptr);
    t.Select(t.edit);
    e = t.list.Editor();
    t.list.Focus(e);
    t.list.TakeFocusForTest();
    EXPECT_EQ(IntOf(t.edit), 42);
    EXPECT_TRUE(t.notes.seen.empty());
    EXPECT_EQ(t.list.beeps, 1);

    // A veto drops the text.
    t.Select(t.edit);
    e = t.list.Editor();
    t.list.Focus(e);
    e->Type(L"5");
    t.notes.replies[PIN_ITEMCHANGING] = 1;
    t.list.TakeFocusForTest();
    EXPECT_EQ(IntOf(t.edit), 42);
    EXPECT_EQ(t.notes.Codes(), std::vector<int>{PIN_ITEMCHANGING});
}

TEST(PropertyList, OnlyUnsignedValuesGetADigitsOnlyEditor)
{
    const std::pair<CPropertyVariant, bool> cases[] = {
        {CPropertyVariant::Int(VT_UI1, 1), true}, {CPropertyVariant::Int(VT_UI2, 1), true},
        {CPropertyVariant::Int(VT_UI4, 1), true}, {CPropertyVariant::Int(VT_UINT, 1), false},
        {CPropertyVariant::I4(1), false},         {CPropertyVariant::Int(VT_I2, 1), false},
        {CPropertyVariant::Text(L"t"), false},
    };
    for (const auto& [value, digits] : cases)
    {
        FakeList list;
        auto* row = new CPropertyEditItem(L"e", value);
        list.AddItem(row);
        list.SetCurSel(0);
        list.OnSelChange();
        ASSERT_NE(list.Editor(), nullptr);
        EXPECT_EQ(list.Editor()->digitsOnly, digits) << "type " << value.Type();
    }
}

TEST(PropertyList, ValuesOfChoicesAndCheckBoxes)
{
    static const wchar_t* const options[] = {L"Natif", L"Mémoire", nullptr};
    std::unique_ptr<CPropertyListItem> choice(CreatePropertyListItem(L"c", options, 1));
    std::wstring text;
    EXPECT_TRUE(choice->GetDisplayValue(text));
    EXPECT_EQ(text, L"Mémoire");

    // Texts match exactly; no match selects the first option and says so.
    EXPECT_FALSE(choice->SetValue(CPropertyVariant::Text(L"mémoire")));
    EXPECT_EQ(IntOf(choice.get()), 0);
    EXPECT_TRUE(choice->SetValue(CPropertyVariant::Text(L"Mémoire")));
    EXPECT_EQ(IntOf(choice.get()), 1);
    // An index past the last option is the first.
    EXPECT_TRUE(choice->SetValue(CPropertyVariant::I4(2)));
    EXPECT_EQ(IntOf(choice.get()), 0);
    EXPECT_TRUE(choice->SetValue(CPropertyVariant::Text(L"1").ChangeType(VT_I4).value()));
    EXPECT_EQ(IntOf(choice.get()), 1);
    // -1 stays: nothing is shown.
    EXPECT_TRUE(choice->SetValue(CPropertyVariant::I4(-1)));
    EXPECT_EQ(IntOf(choice.get()), -1);
    EXPECT_FALSE(choice->GetDisplayValue(text));
    EXPECT_EQ(text, L"");
    EXPECT_EQ(choice->GetDisplayValueLength(), 0);

    CPropertyCheckButtonItem check(L"b", true);
    EXPECT_FALSE(check.SetValue(CPropertyVariant::I4(0)));
    EXPECT_FALSE(check.SetValue(CPropertyVariant::Text(L"0")));
    EXPECT_EQ(IntOf(&check), VARIANT_TRUE);
    EXPECT_TRUE(check.SetValue(CPropertyVariant::Bool(false)));
    EXPECT_EQ(IntOf(&check), VARIANT_FALSE);

    // Enabled only by exactly 1.
    check.SetEnabled(2);
    EXPECT_FALSE(check.IsEnabled());
    check.SetEnabled(1);
    EXPECT_TRUE(check.IsEnabled());
}

TEST(PropertyList, SplitterDragStaysTenPixelsFromTheSidesAndResizeHalves)
{
    TwoCategories t;
    EXPECT_EQ(t.list.SplitterPos(), 100);
    const int x = t.list.SplitterX();
    EXPECT_EQ(x, 116) << "after the category margin";
    const int y = t.RowY(t.other);
    t.list.OnLButtonDown(x, y);
    ASSERT_TRUE(t.list.IsDragging());
    t.list.OnMouseMove(500, y);
    EXPECT_EQ(t.list.TrackerX(), 190);
    t.list.OnLButtonUp(500, y);
    EXPECT_FALSE(t.list.IsDragging());
    EXPECT_EQ(t.list.SplitterPos(), 100 + 190 - 116);

    t.list.OnLButtonDown(t.list.SplitterX(), y);
    t.list.OnLButtonUp(-50, y);
    EXPECT_EQ(t.list.SplitterPos(), 10 - 16);

    // One pixel beside the line is not the splitter.
    t.list.OnSize(200, 160);
    t.list.OnLButtonDown(t.list.SplitterX() + 1, y);
    EXPECT_FALSE(t.list.IsDragging());

    t.list.SetExtendedListStyle(PLS_CATEGORIZED | PLS_FIXEDSPLITTER);
    t.list.OnLButtonDown(t.list.SplitterX(), y);
    EXPECT_FALSE(t.list.IsDragging());

    t.list.SetKeepSplitter(true);
    t.list.OnSize(300, 160);
    EXPECT_EQ(t.list.SplitterPos(), 100);
    t.list.SetKeepSplitter(false);
    t.list.OnSize(300, 160);
    EXPECT_EQ(t.list.SplitterPos(), 150);
}

TEST(PropertyList, SelectionGivesEditorsToEnabledValueRowsAndTellsTheParent)
{
    TwoCategories t;
    t.list.SetCurSel(0);
    t.list.OnSelChange();
    EXPECT_EQ(t.list.InplaceEditor(), nullptr) << "a category has no editor";
    ASSERT_EQ(t.notes.seen.size(), 1u);
    EXPECT_EQ(t.notes.seen[0], std::make_pair(int(PIN_SELCHANGED), static_cast<IProperty*>(t.catA)));

    t.Select(t.choice);
    ASSERT_NE(t.list.Editor(), nullptr);
    EXPECT_TRUE(t.list.Editor()->choice);
    EXPECT_TRUE(t.list.Editor()->shown);
    // The editor covers the value column, one pixel inside the row.
    const RECT row = t.list.GetItemRect(t.list.FindProperty(t.choice));
    EXPECT_EQ(t.list.Editor()->rc.left, 117);
    EXPECT_EQ(t.list.Editor()->rc.right, 200);
    EXPECT_EQ(t.list.Editor()->rc.top, row.top + 1);
    EXPECT_EQ(t.list.Editor()->rc.bottom, row.bottom - 1);
    EXPECT_EQ(row.bottom - row.top, 13 + 3) << "rows are the font's height plus 3";

    t.edit->SetEnabled(0);
    t.Select(t.edit);
    EXPECT_EQ(t.list.InplaceEditor(), nullptr);
    t.edit->SetEnabled(1);
    t.Select(t.edit);
    ASSERT_NE(t.list.Editor(), nullptr);
    EXPECT_FALSE(t.list.Editor()->focused) << "the focus stays on the list";

    t.list.SetExtendedListStyle(PLS_CATEGORIZED | PLS_EDITONSELECT);
    t.Select(t.edit);
    EXPECT_TRUE(t.list.Editor()->focused);

    // No selection: the parent hears of none.
    t.list.SetCurSel(-1);
    t.notes.seen.clear();
    t.list.OnSize(200, 160);
    ASSERT_EQ(t.notes.seen.size(), 1u);
    EXPECT_EQ(t.notes.seen[0], std::make_pair(int(PIN_SELCHANGED), static_cast<IProperty*>(nullptr)));
}

TEST(PropertyList, TypingOpensTheEditorWithTheCharacterAndSpaceIsSwallowed)
{
    TwoCategories t;
    t.Select(t.edit);
    t.list.DestroyInplaceWindow();
    EXPECT_TRUE(t.list.OnChar(L'5'));
    ASSERT_NE(t.list.Editor(), nullptr);
    EXPECT_EQ(t.list.Editor()->text, L"5") << "the character replaces the text";
    EXPECT_TRUE(t.list.Editor()->focused);

    // Space goes to the row (a check box toggles) and its character is swallowed.
    t.Select(t.check);
    EXPECT_TRUE(t.list.OnKeyDown(VK_SPACE));
    EXPECT_TRUE(t.list.OnChar(L' '));
    EXPECT_EQ(IntOf(t.check), VARIANT_TRUE);
    // A check box has no editor, so a character does nothing.
    EXPECT_FALSE(t.list.OnChar(L'x'));
    EXPECT_EQ(IntOf(t.check), VARIANT_TRUE);

    // On a choice the character goes to the opened list.
    t.Select(t.choice);
    EXPECT_TRUE(t.list.OnChar(L'd'));
    EXPECT_EQ(t.list.Editor()->listsOpened, 1);
    EXPECT_EQ(t.list.Editor()->text, L"und");
}

TEST(PropertyList, NavigationStopsAtTheEndsAndKeepsWhatWasTyped)
{
    TwoCategories t;
    t.Select(t.catA);
    t.list.OnNavigateMessage(VK_UP);
    EXPECT_EQ(t.list.GetCurSel(), 0) << "up from the first row stays there";
    t.Select(t.other);
    t.list.OnNavigateMessage(VK_DOWN);
    EXPECT_EQ(t.list.GetCurSel(), t.list.GetCount() - 1);

    // Down from a changed text row stores the text, then moves on.
    t.Select(t.edit);
    FakeEditor* e = t.list.Editor();
    t.list.Focus(e);
    e->Type(L"12");
    t.list.OnNavigateMessage(VK_DOWN);
    EXPECT_EQ(IntOf(t.edit), 12);
    EXPECT_EQ(t.list.GetProperty(t.list.GetCurSel()), t.choice);
    EXPECT_EQ(t.notes.Codes(), (std::vector<int>{PIN_ITEMCHANGING, PIN_ITEMCHANGED, PIN_SELCHANGED}));
    t.list.OnNavigateMessage(VK_TAB);
    EXPECT_EQ(t.list.GetProperty(t.list.GetCurSel()), t.choice) << "other keys do not move";

    // The list's own keys.
    EXPECT_TRUE(t.list.OnKeyDown(VK_HOME));
    EXPECT_EQ(t.list.GetCurSel(), 0);
    EXPECT_TRUE(t.list.OnKeyDown(VK_END));
    EXPECT_EQ(t.list.GetCurSel(), t.list.GetCount() - 1);
    EXPECT_FALSE(t.list.OnKeyDown(VK_RETURN)) << "Enter is left to the dialog";
}
