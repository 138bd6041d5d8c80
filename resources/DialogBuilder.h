// Makes the widgets of a dialog template: each control at its rectangle converted from dialog
// units with the dialog font's base units, in the template's order (the tab order), named
// "ctl<id>" so that the dialog and its tests find it by id. The client size is fixed to the
// template's.
#pragma once

#include "platform/qt/DialogUnits.h"
#include "resources/DialogTemplates.h"

#include <QString>

#include <functional>
#include <map>

class QDialog;
class QWidget;

class CDialogControls
{
public:
    // The widget of a control id, or null.
    QWidget* Get(int id) const;
    template <class T> T* Get(int id) const { return qobject_cast<T*>(Get(id)); }
    const std::map<int, QWidget*>& All() const { return m_controls; }
    void Add(int id, QWidget* widget) { m_controls[id] = widget; }

private:
    std::map<int, QWidget*> m_controls;
};

// Makes a widget in place of the standard one of a control (return null to keep the standard
// one): trackbars with custom drawing, owner-drawn strips.
using DialogControlFactory = std::function<QWidget*(const DialogControl& control, QWidget* parent)>;

// Builds the template's controls on the dialog and sets its caption and fixed size. base: the
// base units to use (tests give fixed ones); null takes them from the dialog's font.
CDialogControls BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate,
                            const DialogBaseUnits* base = nullptr, const DialogControlFactory& factory = {});

// The object name of a control id ("ctl1043").
QString DialogControlName(int id);
