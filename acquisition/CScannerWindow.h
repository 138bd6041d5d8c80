// The main frame's window as the scanner layer sees it: messages posted by a data source come
// back as events to this object, and the source list, the settings dialog, a source's panel and
// a device's messages are Qt dialogs owned by the frame. Tests answer the dialogs through a
// handler. CTwainMessagePump hands every event of the loop to CTwain first while a source is
// enabled, as messages of the loop.
#pragma once

#include "platform/scanner/ScannerWindow.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QDialog>
#include <QWidget>

#include <map>
#include <vector>

class CTwain;

// Answers the scanner dialogs in place of the user (tests).
class IScannerDialogHandler
{
public:
    virtual ~IScannerDialogHandler() = default;
    virtual int ChooseFromList(const std::string& title, const std::vector<std::string>& items,
                               int initial) = 0;
    virtual bool AskScanSettings(const scanner::ScanCapabilities& caps, scanner::ScanSettings& settings) = 0;
    // The panel is "shown": the handler may call the client (now or later) as the buttons would.
    virtual void PanelOpened(const scanner::ScanCapabilities& caps, const scanner::ScanSettings& settings,
                             scanner::IScanPanelClient* client) = 0;
    virtual void PanelClosed(scanner::IScanPanelClient* client) = 0;
    virtual void Message(const std::string& text) = 0;
};
// Returns the previous handler; null puts the real dialogs back.
IScannerDialogHandler* SetScannerDialogHandler(IScannerDialogHandler* handler);

class ScannerMessageEvent : public QEvent
{
public:
    explicit ScannerMessageEvent(const MSG& msg) : QEvent(EventType()), m_msg(msg) {}
    static QEvent::Type EventType();
    const MSG& Message() const { return m_msg; }

private:
    MSG m_msg;
};

class CScannerWindow : public QObject, public IScannerWindow
{
    Q_OBJECT
public:
    // owner: the dialogs' parent.
    explicit CScannerWindow(QWidget* owner);
    ~CScannerWindow() override;

    void PostScannerMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    int ChooseFromList(const std::string& title, const std::string& label,
                       const std::vector<std::string>& items, int initial) override;
    bool AskScanSettings(const scanner::ScanCapabilities& caps, scanner::ScanSettings& settings) override;
    bool OpenScanPanel(const scanner::ScanCapabilities& caps, const scanner::ScanSettings& settings,
                       scanner::IScanPanelClient* client) override;
    void CloseScanPanel(scanner::IScanPanelClient* client) override;
    void ShowScannerMessage(const std::string& text) override;

    // The shown panel of a client (null when none); its buttons are "ctlScan" and "ctlClose".
    QDialog* Panel(scanner::IScanPanelClient* client) const;
    QWidget* Owner() const { return m_owner; }

protected:
    bool event(QEvent* event) override;

private:
    QPointer<QWidget> m_owner;
    std::map<scanner::IScanPanelClient*, QPointer<QDialog>> m_panels;
};

class CTwainMessagePump : public QObject
{
    Q_OBJECT
public:
    CTwainMessagePump(CTwain& twain, HWND window, QObject* parent);
    ~CTwainMessagePump() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RepostDeferred();

    CTwain& m_twain;
    HWND m_window;
    QPointer<QObject> m_target;
    std::vector<MSG> m_deferred;
};
