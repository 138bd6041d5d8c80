// Mouse capture with notice of its loss. Qt does not tell a widget when its grab is taken away,
// so the owner is told here: by Release(), and when the grab is lost from outside (its window
// deactivated, the widget hidden, a popup menu opened). Either way OnCaptureChanged() runs once,
// synchronously.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class CCaptureOwner : public QObject
{
    Q_OBJECT
public:
    // onLost is called whenever a capture taken by Capture() ends.
    explicit CCaptureOwner(std::function<void()> onLost, QObject* parent = nullptr);
    ~CCaptureOwner() override;

    void Capture(QWidget* widget);
    void Release();
    bool HasCapture() const { return m_widget != nullptr; }
    QWidget* Widget() const { return m_widget; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void End(bool releaseGrab);

    std::function<void()> m_onLost;
    QPointer<QWidget> m_widget;
    QPointer<QWidget> m_window;
};
