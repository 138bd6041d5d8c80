// The rules of the information, rotation and size dialogs that need no window: fields of a
// text, the information box's scroll bars, the angle the rotation dialog accepts, and the
// whole number a size field holds.
#pragma once

#include <QString>

#include <functional>
#include <optional>

// The field number index of text cut at every separator: false, with an empty result, when the
// text has fewer fields; otherwise the text from the start of that field up to the next
// separator or the end.
bool ExtractSubString(QString& result, const QString& text, int index, QChar separator);

struct ScrollBarsNeeded
{
    bool horizontal = false;
    bool vertical = false;
    bool operator==(const ScrollBarsNeeded&) const = default;
};

// The bars the information box shows for text in a client area of clientWidth x clientHeight:
// the text is cut into lines at line feeds (a carriage return ending a line is dropped; the
// empty piece after a final line feed is no line); the horizontal bar when a line is wider than
// the client (lines measured until one is), the vertical one when lineHeight x the number of
// lines reaches the client height.
ScrollBarsNeeded InfoScrollBars(const QString& text, int lineHeight,
                                const std::function<int(const QString&)>& width, int clientWidth,
                                int clientHeight);

// The angle of the rotation field: the whole text read as a decimal number (blanks before it and
// a sign allowed; an empty text is 0). Nothing when something is left over or the number is not
// finite (too large, "inf", "nan"). Commas are the caller's business.
std::optional<double> ParseAngleText(const QString& text);

// The characters a key may put into the angle field: digits, ',' and '.'.
bool IsAngleCharacter(QChar c);

// A size field's number as it has always been read: blanks, an optional sign, the digits up to
// the first other character; 0 when there are none; saturated to the signed 32-bit range.
int WToI(const QString& text);
