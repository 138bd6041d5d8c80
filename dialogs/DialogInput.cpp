#include "dialogs/DialogInput.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <climits>
#include <cstdint>

std::optional<int> ParseDlgInt(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    const bool negative = i < t.size() && t[i] == QLatin1Char('-');
    if (negative) ++i;
    if (i >= t.size()) return std::nullopt;
    std::int64_t v = 0;
    for (; i < t.size(); ++i)
    {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        v = v * 10 + (c - u'0');
        if (v > std::int64_t(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return std::nullopt;
    return int(v);
}

void SetDlgInt(QLineEdit* edit, int value)
{
    if (edit) edit->setText(QString::asprintf("%d", value));
}

bool CNumericEditFilter::Accepts(int key, const QString& text)
{
    switch (key)
    {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return false;
    case Qt::Key_Backspace:
        return true;
    default:
        break;
    }
    // Keys that type nothing move the caret or delete: they are not characters.
    if (text.isEmpty()) return true;
    return text.size() == 1 && QStringLiteral("0123456789-.").contains(text[0]);
}

bool CNumericEditFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
    {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!Accepts(key->key(), key->text())) return true;
    }
    else if (event->type() == QEvent::ShortcutOverride)
    {
        // Return and Escape stay with the edit: no shortcut of the dialog takes them first.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!Accepts(key->key(), key->text()))
        {
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
