// The configuration dialog: the stored settings as rows of a property list in five categories,
// a help text for the selected row under it, and OK, "Annuler" and "Appliquer". Applying writes
// every setting at once and tells the main window (message 2027), so that what shows the
// settings (the print preview) follows.
#pragma once

#include "platform/qt/DialogUnits.h"
#include "shell/PropertyList.h"

#include <QDialog>

#include <map>

class CPropertyListCtrl;
class QLabel;
class QPushButton;

class CConfigPropertyDlg : public QDialog, public IPropertyListNotify
{
    Q_OBJECT
public:
    enum : int
    {
        kTemplateId = 245,
        kIdList = 1102,
        kIdHelp = 1103,
        kIdApply = 16,
    };

    // flag 0: every category open; 1: only the printing category open. base: the dialog units'
    // base (tests give fixed ones); null takes them from the font.
    explicit CConfigPropertyDlg(int flag, QWidget* parent = nullptr, const DialogBaseUnits* base = nullptr);
    ~CConfigPropertyDlg() override;

    CPropertyListCtrl* List() const { return m_list; }
    QLabel* Help() const { return m_help; }
    QPushButton* Button(int id) const;

    // Writes every row's value into the settings and posts 2027 to the main window.
    void OnApply();

    // The rows (owned by the list).
    CCategoryProperty* m_catThreads = nullptr;
    CCategoryProperty* m_catTwain = nullptr;
    CCategoryProperty* m_catJpeg = nullptr;
    CCategoryProperty* m_catExif = nullptr;
    CCategoryProperty* m_catPrint = nullptr;
    CPropertyListItem* m_threads = nullptr;
    CPropertyListItem* m_twain = nullptr;
    CPropertyEditItem* m_quality = nullptr;
    CPropertyCheckButtonItem* m_exifSoftware = nullptr;
    CPropertyCheckButtonItem* m_exifDate = nullptr;
    CPropertyCheckButtonItem* m_printScale = nullptr;

    std::intptr_t OnPropertyNotify(int code, IProperty* property) override;

    // Escape and the title bar's close answer "Annuler".
    void reject() override;

private:
    void OnOK();
    // The help text of a row (cleared when none is selected); the JPEG quality is brought into
    // its range on the way.
    void UpdateHelp(IProperty* property);

    int m_flag;
    CPropertyListCtrl* m_list = nullptr;
    QLabel* m_help = nullptr;
    std::map<int, QPushButton*> m_buttons;
};

// Runs the dialog modally over parent; the result is the button that closed it (1 OK, 2 Annuler).
int RunConfigPropertyDlg(int flag, QWidget* parent);
