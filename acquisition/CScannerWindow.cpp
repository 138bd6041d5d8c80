#include "acquisition/CScannerWindow.h"

#include "acquisition/CTwain.h"
#include "platform/qt/Prompt.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{
IScannerDialogHandler* g_handler = nullptr;

using scanner::ScanCapabilities;
using scanner::ScanMode;
using scanner::ScanSettings;

// The settings controls shared by the modal dialog and the panel.
struct SettingsControls
{
    QComboBox* mode = nullptr;
    QSpinBox* resolution = nullptr;
    QComboBox* source = nullptr;

    void Build(QDialog& dialog, QFormLayout* form, const ScanCapabilities& caps, const ScanSettings& s)
    {
        mode = new QComboBox(&dialog);
        mode->setObjectName(QStringLiteral("ctlMode"));
        if (caps.color) mode->addItem(QStringLiteral("Couleur"), int(ScanMode::Color));
        if (caps.gray) mode->addItem(QStringLiteral("Niveaux de gris"), int(ScanMode::Gray));
        if (caps.blackWhite) mode->addItem(QStringLiteral("Noir et blanc"), int(ScanMode::BlackWhite));
        mode->setCurrentIndex(std::max(0, mode->findData(int(s.mode))));
        form->addRow(QStringLiteral("&Mode :"), mode);
        resolution = new QSpinBox(&dialog);
        resolution->setObjectName(QStringLiteral("ctlResolution"));
        resolution->setRange(caps.minResolution, caps.maxResolution);
        resolution->setValue(s.resolution);
        resolution->setSuffix(QStringLiteral(" ppp"));
        form->addRow(QStringLiteral("&Résolution :"), resolution);
        source = new QComboBox(&dialog);
        source->setObjectName(QStringLiteral("ctlSource"));
        if (caps.flatbed) source->addItem(QStringLiteral("Vitre"), 0);
        if (caps.feeder) source->addItem(QStringLiteral("Chargeur de documents"), 1);
        source->setCurrentIndex(std::max(0, source->findData(s.feeder ? 1 : 0)));
        source->setEnabled(source->count() > 1);
        form->addRow(QStringLiteral("&Source :"), source);
    }

    ScanSettings Read() const
    {
        ScanSettings s;
        s.mode = ScanMode(mode->currentData().toInt());
        s.resolution = resolution->value();
        s.feeder = source->currentData().toInt() == 1;
        return s;
    }
};

QString Title(const ScanCapabilities& caps)
{
    return QStringLiteral("Numérisation - %1").arg(QString::fromStdString(caps.deviceName));
}

class CScanPanel : public QDialog
{
public:
    CScanPanel(QWidget* owner, const ScanCapabilities& caps, const ScanSettings& s,
               scanner::IScanPanelClient* client)
        : QDialog(owner), m_client(client)
    {
        setWindowTitle(Title(caps));
        auto* layout = new QVBoxLayout(this);
        auto* form = new QFormLayout;
        layout->addLayout(form);
        m_controls.Build(*this, form, caps, s);
        auto* buttons = new QDialogButtonBox(this);
        auto* scan = buttons->addButton(QStringLiteral("&Numériser"), QDialogButtonBox::AcceptRole);
        scan->setObjectName(QStringLiteral("ctlScan"));
        scan->setDefault(true);
        auto* close = buttons->addButton(QStringLiteral("&Fermer"), QDialogButtonBox::RejectRole);
        close->setObjectName(QStringLiteral("ctlClose"));
        layout->addWidget(buttons);
        connect(scan, &QPushButton::clicked, this,
                [this]
                {
                    if (m_client) m_client->OnScan(m_controls.Read());
                });
        connect(close, &QPushButton::clicked, this, [this] { reject(); });
    }
    void Detach() { m_client = nullptr; }

protected:
    void reject() override
    {
        // The source decides when its panel goes: it is asked to close.
        if (m_client) m_client->OnClosePanel();
    }

private:
    scanner::IScanPanelClient* m_client;
    SettingsControls m_controls;
};
} // namespace

IScannerDialogHandler* SetScannerDialogHandler(IScannerDialogHandler* handler)
{
    IScannerDialogHandler* old = g_handler;
    g_handler = handler;
    return old;
}

QEvent::Type ScannerMessageEvent::EventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

CScannerWindow::CScannerWindow(QWidget* owner) : m_owner(owner) {}

CScannerWindow::~CScannerWindow()
{
    for (auto& [client, panel] : m_panels)
        if (panel)
        {
            static_cast<CScanPanel*>(panel.data())->Detach();
            delete panel.data();
        }
}

void CScannerWindow::PostScannerMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    MSG msg;
    msg.hwnd = this;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    QCoreApplication::postEvent(this, new ScannerMessageEvent(msg));
}

bool CScannerWindow::event(QEvent* event)
{
    // A source's message that no enabled source took: nothing waits for it any more.
    if (event->type() == ScannerMessageEvent::EventType()) return true;
    return QObject::event(event);
}

int CScannerWindow::ChooseFromList(const std::string& title, const std::string& label,
                                   const std::vector<std::string>& items, int initial)
{
    if (g_handler) return g_handler->ChooseFromList(title, items, initial);
    QDialog dialog(m_owner);
    dialog.setWindowTitle(QString::fromStdString(title));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QString::fromStdString(label), &dialog));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("ctlList"));
    for (const std::string& item : items)
        list->addItem(QString::fromStdString(item));
    list->setCurrentRow(std::clamp(initial, 0, int(items.size()) - 1));
    list->setMinimumWidth(list->sizeHintForColumn(0) + 40);
    // The title stays whole in the window's frame.
    dialog.setMinimumWidth(dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 140);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted) return -1;
    return list->currentRow();
}

bool CScannerWindow::AskScanSettings(const ScanCapabilities& caps, ScanSettings& settings)
{
    if (g_handler) return g_handler->AskScanSettings(caps, settings);
    QDialog dialog(m_owner);
    dialog.setWindowTitle(Title(caps));
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    SettingsControls controls;
    controls.Build(dialog, form, caps, settings);
    auto* buttons = new QDialogButtonBox(&dialog);
    auto* scan = buttons->addButton(QStringLiteral("&Numériser"), QDialogButtonBox::AcceptRole);
    scan->setDefault(true);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return false;
    settings = controls.Read();
    return true;
}

bool CScannerWindow::OpenScanPanel(const ScanCapabilities& caps, const ScanSettings& settings,
                                   scanner::IScanPanelClient* client)
{
    if (!client) return false;
    if (g_handler)
    {
        g_handler->PanelOpened(caps, settings, client);
        return true;
    }
    CloseScanPanel(client);
    auto* panel = new CScanPanel(m_owner, caps, settings, client);
    panel->setAttribute(Qt::WA_DeleteOnClose, false);
    m_panels[client] = panel;
    panel->show();
    panel->raise();
    panel->activateWindow();
    return true;
}

void CScannerWindow::CloseScanPanel(scanner::IScanPanelClient* client)
{
    if (g_handler) g_handler->PanelClosed(client);
    const auto it = m_panels.find(client);
    if (it == m_panels.end()) return;
    QPointer<QDialog> panel = it->second;
    m_panels.erase(it);
    if (panel)
    {
        static_cast<CScanPanel*>(panel.data())->Detach();
        panel->hide();
        panel->deleteLater();
    }
}

QDialog* CScannerWindow::Panel(scanner::IScanPanelClient* client) const
{
    const auto it = m_panels.find(client);
    return it == m_panels.end() ? nullptr : it->second.data();
}

void CScannerWindow::ShowScannerMessage(const std::string& text)
{
    if (g_handler)
    {
        g_handler->Message(text);
        return;
    }
    ShowPrompt(m_owner, QString::fromStdString(text), QString(), PromptButtons::Ok, PromptIcon::Information);
}

// ---------------------------------------------------------------------------------------------

CTwainMessagePump::CTwainMessagePump(CTwain& twain, HWND window, QObject* parent)
    : QObject(parent), m_twain(twain), m_window(window), m_target(dynamic_cast<QObject*>(window))
{
    qApp->installEventFilter(this);
}

CTwainMessagePump::~CTwainMessagePump()
{
    if (qApp) qApp->removeEventFilter(this);
}

bool CTwainMessagePump::eventFilter(QObject* watched, QEvent* event)
{
    const bool isScannerMessage = event->type() == ScannerMessageEvent::EventType();
    if (!m_twain.IsSourceEnabled()) return QObject::eventFilter(watched, event);
    if (isScannerMessage && m_twain.IsInTransfer())
    {
        // The transfer loop runs a loop of its own (a message box, a new window): the source's
        // message waits until the loop is over.
        m_deferred.push_back(static_cast<ScannerMessageEvent*>(event)->Message());
        return true;
    }
    MSG msg;
    msg.hwnd = m_window;
    if (isScannerMessage)
        msg = static_cast<ScannerMessageEvent*>(event)->Message();
    else
        msg.message = 0x10000u + std::uint32_t(event->type());
    const bool taken = m_twain.ProcessMessage(msg);
    if (!m_twain.IsInTransfer()) RepostDeferred();
    return taken || QObject::eventFilter(watched, event);
}

void CTwainMessagePump::RepostDeferred()
{
    if (m_deferred.empty() || !m_target) return;
    std::vector<MSG> messages;
    messages.swap(m_deferred);
    for (const MSG& m : messages)
        QCoreApplication::postEvent(m_target.data(), new ScannerMessageEvent(m));
}
