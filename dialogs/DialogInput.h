// Whole numbers typed into the effect dialogs' edits: reading them back, writing them, and the
// key filter of the kernel edits, which take digits, '-' and '.' only and keep Tab, Enter and
// Escape to themselves.
#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QLineEdit;

// A signed whole number: blanks around it, an optional '-', digits, within the int range.
// Nothing for anything else (an empty text, a lone '-', "1.5", "1-2", too many digits).
std::optional<int> ParseDlgInt(const QString& text);
// The number as "%d".
void SetDlgInt(QLineEdit* edit, int value);

// Installed on an edit: lets through the characters 0-9, '-', '.' and Backspace, the keys that
// move or delete without typing (arrows, Home, End, Delete), and swallows every other character
// (Ctrl chords included) and Tab, Backtab, Return, Enter and Escape, which then neither move
// the focus nor close the dialog.
class CNumericEditFilter : public QObject
{
public:
    explicit CNumericEditFilter(QObject* parent = nullptr) : QObject(parent) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Whether a key press with this key and text is let through to the edit.
    static bool Accepts(int key, const QString& text);
};
