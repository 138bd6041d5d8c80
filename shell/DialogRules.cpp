#include "shell/DialogRules.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <string>

bool ExtractSubString(QString& result, const QString& text, int index, QChar separator)
{
    result.clear();
    qsizetype start = 0;
    for (int i = 0; i < index; ++i)
    {
        const qsizetype next = text.indexOf(separator, start);
        if (next < 0) return false;
        start = next + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    result = text.mid(start, end < 0 ? -1 : end - start);
    return true;
}

ScrollBarsNeeded InfoScrollBars(const QString& text, int lineHeight,
                                const std::function<int(const QString&)>& width, int clientWidth,
                                int clientHeight)
{
    ScrollBarsNeeded bars;
    std::int64_t lines = 0;
    qsizetype start = 0;
    // Field by field, each found from the end of the one before: linear in the text.
    while (start <= text.size())
    {
        const qsizetype next = text.indexOf(QLatin1Char('\n'), start);
        const qsizetype end = next < 0 ? text.size() : next;
        // The piece after a final line feed is where the caret would go, not a line.
        if (next < 0 && end == start && start > 0) break;
        QString field = text.mid(start, end - start);
        if (field.endsWith(QLatin1Char('\r'))) field.chop(1);
        ++lines;
        if (!bars.horizontal && width && width(field) > clientWidth) bars.horizontal = true;
        if (next < 0) break;
        start = next + 1;
    }
    bars.vertical = std::int64_t(lineHeight) * lines >= clientHeight;
    return bars;
}

std::optional<double> ParseAngleText(const QString& text)
{
    std::string s = text.toStdString();
    std::size_t i = 0;
    while (i < s.size() &&
           (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == '\f' || s[i] == '\v'))
        ++i;
    if (i == s.size()) return i == 0 ? std::optional<double>(0.0) : std::nullopt;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-')
    {
        negative = s[i] == '-';
        ++i;
        // A sign must be followed by the number itself, not another sign.
        if (i == s.size() || s[i] == '+' || s[i] == '-') return std::nullopt;
    }
    double value = 0.0;
    const char* first = s.data() + i;
    const char* last = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

bool IsAngleCharacter(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(',') || c == QLatin1Char('.');
}

int WToI(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    std::int64_t v = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
    {
        v = v * 10 + (text[i].unicode() - '0');
        if (v > std::int64_t(INT_MAX) + 1) v = std::int64_t(INT_MAX) + 1; // saturated, read on
    }
    if (negative) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}
