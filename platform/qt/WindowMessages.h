// Private window messages posted to a top-level window: an event carrying (message, wParam,
// lParam), posted with QCoreApplication::postEvent, so it is safe from any thread, never blocks
// and arrives in the order it was posted.
#pragma once

#include <QEvent>

#include <cstdint>

class QObject;
class QWidget;

enum : int
{
    WM_IMAGE_CURSOR_POS = 2024, // wParam x, lParam y (image pixels); -1, -1 when none
    WM_IMAGE_SELECTION = 2025,  // wParam left | top << 16, lParam right | bottom << 16; -1 when none
    WM_STATUS_PROGRESS = 2026,  // wParam percent 0..100
    WM_SETTINGS_CHANGED = 2027, // no parameters
};

class ImageMessageEvent : public QEvent
{
public:
    ImageMessageEvent(int msg, std::int64_t wParam, std::int64_t lParam)
        : QEvent(EventType()), m_msg(msg), m_wParam(wParam), m_lParam(lParam)
    {
    }

    static QEvent::Type EventType();

    int Message() const { return m_msg; }
    std::int64_t WParam() const { return m_wParam; }
    std::int64_t LParam() const { return m_lParam; }

private:
    int m_msg;
    std::int64_t m_wParam;
    std::int64_t m_lParam;
};

// The window a message from this widget goes to: its parents while it is not a window, then the
// owners of windows (their parent widget), until there is none.
QWidget* FindTopLevel(QWidget* from);

// Posts to FindTopLevel(from); nothing when from is null. User-interface thread.
void PostToTopLevel(QWidget* from, int msg, std::int64_t wParam, std::int64_t lParam);

// Posts to a known receiver; any thread.
void PostImageMessage(QObject* target, int msg, std::int64_t wParam, std::int64_t lParam);

// A corner packed into one parameter: x in the low 16 bits, y in the next 16 bits.
constexpr std::int64_t PackCorner(int x, int y)
{
    return std::int64_t(std::uint32_t(x & 0xFFFF) | std::uint32_t(y & 0xFFFF) << 16);
}

// The signed 16-bit halves of a packed corner.
constexpr int LowWordSigned(std::int64_t v)
{
    return int(std::int16_t(std::uint16_t(v & 0xFFFF)));
}
constexpr int HighWordSigned(std::int64_t v)
{
    return int(std::int16_t(std::uint16_t((v >> 16) & 0xFFFF)));
}
