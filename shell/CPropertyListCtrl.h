// The property list as a window: the rows are painted here, the mouse and the keys go to the
// list's logic (PropertyList.h), and the editors over the values are line edits of our own, one
// for text and one for a choice with its drop-down list.
#pragma once

#include "shell/PropertyList.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QFont>
#include <QLineEdit>
#include <QPointer>

class QListWidget;

class CPropertyListCtrl : public QAbstractScrollArea, public CPropertyListImpl
{
    Q_OBJECT
public:
    explicit CPropertyListCtrl(QWidget* parent = nullptr);
    ~CPropertyListCtrl() override;

    // An editor's key that moves the selection, handled once the events in hand are done.
    void PostNavigate(int key);
    // The font of the editors: the parent's.
    QFont EditorFont() const;

protected:
    // ---- The list's window ----
    int ClientWidth() const override;
    int ClientHeight() const override;
    bool HasFocus() const override;
    void TakeFocus() override;
    void Beep() override;
    void Repaint(const RECT& rc) override;
    void RepaintAll() override;
    void RowsChanged() override;
    void ScrollToTop(int topRow) override;
    void ReadSettings(PropertyDrawInfo& di) override;
    IInplaceEditor* CreateTextEditor(const RECT& rc, const std::wstring& text, bool digitsOnly) override;
    IInplaceEditor* CreateChoiceEditor(const RECT& rc, const std::wstring& text,
                                       const std::vector<std::wstring>& options, int selected) override;

    // ---- Qt ----
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QFont m_normalFont;
    QFont m_categoryFont;
    bool m_readingSettings = false;
};

// The text editor of an editable row. Enter keeps what was typed, Escape drops it; leaving it
// keeps the text when it was changed.
class CInplacePropertyEdit : public QLineEdit, public IInplaceEditor
{
    Q_OBJECT
public:
    CInplacePropertyEdit(CPropertyListCtrl* list, const QRect& rc, const QString& text, bool digitsOnly);

    std::wstring GetWindowText() const override;
    void FocusAndSelectAll() override;
    void OpenList() override {}
    void ForwardChar(wchar_t ch) override;
    bool HasFocusInside() const override;
    void Show() override;
    void Close() override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QPointer<CPropertyListCtrl> m_list;
    bool m_cancelled = false;
    bool m_closed = false;
};

class CInplacePropertyList;

// The square button at the right of a choice editor.
class CInplaceListButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit CInplaceListButton(CInplacePropertyList* editor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CInplacePropertyList* m_editor;
};

// The choice editor: the current option as text, which changes only through the drop-down list
// opened by the button.
class CInplacePropertyList : public QLineEdit, public IInplaceEditor
{
    Q_OBJECT
public:
    CInplacePropertyList(CPropertyListCtrl* list, const QRect& rc, const QString& text,
                         const std::vector<std::wstring>& options, int selected);

    std::wstring GetWindowText() const override;
    void FocusAndSelectAll() override;
    void OpenList() override { ShowPopup(); }
    void ForwardChar(wchar_t ch) override;
    bool HasFocusInside() const override;
    void Show() override;
    void Close() override;

    void ShowPopup();
    // The option chosen in the list becomes the text and is kept.
    void ChoosePopupItem();
    void CancelPopup();
    // Escape on the button keeps the text as it is.
    void CommitUnchanged();
    QListWidget* Popup() const { return m_popup; }
    CInplaceListButton* Button() const { return m_button; }
    CPropertyListCtrl* List() const { return m_list; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The first option starting with the character, ignoring case; -1 when none.
    int FindOption(wchar_t ch) const;

    QPointer<CPropertyListCtrl> m_list;
    CInplaceListButton* m_button;
    QListWidget* m_popup;
    int m_popupHeight = -1;
    bool m_closed = false;
};
