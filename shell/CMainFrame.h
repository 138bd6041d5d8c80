// The program's only top-level window: menus, toolbars, the status bar with its cursor,
// selection and progress panes, and the MDI area holding the image windows. It routes commands
// (its own first, then the active window's), decides at every idle moment which commands are
// enabled, opens and creates documents, keeps the recent-file list and the last folder, owns the
// list of open documents and closes the program after asking every document whether to save.
#pragma once

#include "acquisition/CTwain.h"
#include "document/CDocManager.h"
#include "document/DocHost.h"
#include "platform/qt/CommandTarget.h"
#include "platform/qt/IdleNotifier.h"
#include "shell/PrinterSetup.h"
#include "shell/RecentFileList.h"
#include "shell/UpdateUI.h"
#include "views/ChildFrameHost.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CBitmapViewBase;
class CScannerWindow;
class CTwainMessagePump;
class CChildFrame;
class CCommandActions;
class CStatusProgress;
class CTextProgressBarCtrl;
class IChildFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPainter;
class QPrintPreviewWidget;
class QStackedWidget;
class QToolBar;

class CMainFrame : public QMainWindow,
                   public CTwain,
                   public CDocManager,
                   public CDocHost,
                   public IChildFrameHost,
                   public ICommandTarget
{
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Builds the window's parts, reads the settings it keeps; false when it cannot be made.
    bool Create();

    // The process's one main frame, or null.
    static CMainFrame* Instance();

    // ---- Commands ----
    bool OnCommand(int id) override;
    // The states of the commands now.
    AppState CurrentAppState() const;
    // Applies the enabling rules to the actions (only what changed).
    void UpdateUIState();
    const std::map<int, CommandState>& PushedStates() const { return m_uiState; }
    CCommandActions& Actions() const { return *m_actions; }
    // The menu resource shown (128, 129 or 130).
    int CurrentMenuId() const { return m_currentMenu; }
    // The popups of the current menu bar.
    std::vector<QMenu*> CurrentMenus() const;
    // Runs the command bound to a key of the accelerator table, or the window area's own key
    // (Ctrl+F4, Ctrl+F6, Ctrl+Shift+F6); false when the key has none or its command is disabled.
    bool OnAccelerator(int key, Qt::KeyboardModifiers modifiers);

    // ---- Opening and creating ----
    // A relative path is taken from the current folder.
    bool OpenFile(const QString& path, bool readOnly);
    void OnFileOpen();
    void OnFileNew();
    void OnNewFromClipboard();
    void OnFileRecent(int id);
    void OnClearMRU();
    void OnDropFiles(const QStringList& paths);
    void SetLastDirectory(const QString& path);
    QString LastDirectory() const { return m_lastDirectory; }
    CRecentFileList& RecentFiles() { return m_mru; }
    void RebuildRecentMenu();
    // Reads and writes the recent-file list in the settings.
    void ReadRecentFiles();
    void WriteRecentFiles();
    // Whether a file may be written (a test may answer in place of the file system).
    void SetWritableProbe(std::function<bool(const QString&)> probe) { m_writable = std::move(probe); }

    // ---- Scanners (CMainFrame_Acquire.cpp) ----
    void GetIdentity() override;
    void CopyImage(HGLOBAL dib, TW_IMAGEINFO& info) override;
    void OnTwainSelectSource();
    void OnTwainAcquire();
    void OnWiaAcquire();
    // The window the scanner layer posts to and asks its dialogs of.
    CScannerWindow* ScannerWindow() const { return m_scannerWindow; }

    // ---- Windows ----
    // The owner of a dialog opened now: the modal dialog in front, else the main window.
    QWidget* DialogOwner();
    IChildFrame* ActiveChild() const;
    CBitmapViewBase* GetActiveView() const;
    CBitmapViewBase* ActivateOtherView(CImageDoc* doc) override;
    QMdiArea* MdiArea() const { return m_mdi; }
    void AddChildFrame(QMdiSubWindow* frame) override;
    void ClosePrintPreview() override;
    // Cascades the windows as the desktop does: in their places of new windows, the active one
    // in front, every title bar visible.
    void CascadeWindows();
    void TileHorizontal();
    void TileVertical();
    void ArrangeIcons();

    // ---- Printing ----
    // The printer dialog, then one page printed at once.
    void OnFilePrint();
    // The page-setup dialog; its margins are kept for the process.
    void OnFilePageSetup();
    // Shows the preview of the page in place of the window area, or leaves it.
    void OnFilePrintPreview();
    // The settings changed (message 2027): the preview is drawn again.
    void OnSettingsChanged();
    // The preview's configuration button: the settings with only the printing ones open, then
    // the preview drawn again.
    void OnPreviewConfiguration();
    // The saved file to the desktop's print command (after offering to save it).
    void OnPrintWithWindows();
    // Draws page 0 (the only one) of the active view's image; false without one.
    bool PrintPage(int page, QPainter& painter, const DeviceMetrics& device);
    bool IsValidPage(int page) const { return page == 0; }
    // A print job of page 0 on printer; aborted when the page cannot be drawn.
    void RunPrintJob(QPrinter& printer);
    // The printer kept for the process (the default one, made on first use).
    QPrinter& Printer();
    // Page-setup margins in hundredths of a millimetre.
    RECT PageMargins() const { return m_margins; }
    bool IsPrintPreviewShown() const { return m_previewShown; }
    QPrintPreviewWidget* PrintPreview() const { return m_preview; }
    QToolBar* PreviewToolBar() const { return m_previewBar; }

    // ---- Status bar ----
    void SetProgress(int percent);
    CTextProgressBarCtrl* ProgressBar() const { return m_progress; }
    QLabel* Pane(int id) const;
    QToolBar* MainToolBar() const { return m_toolBar; }
    CStatusProgress* StatusProgress() const { return m_statusProgress.get(); }

    // ---- Closing ----
    // Asks every document window whether to save; false when one answered Cancel (all are
    // asked all the same).
    bool QuerySaveAll();
    // The desktop session ends: the same questions; false (the end is refused) when one answered
    // Cancel. Otherwise the last folder and the recent files are stored.
    bool OnEndSession();

    // ---- The document's host ----
    DocMsgAnswer MessageBox(const std::wstring& text, const wchar_t* caption, DocMsgStyle style) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    std::optional<SaveAsChoice> AskSaveAs(const std::wstring& initialName,
                                          const std::wstring& initialFolder) override;
    void ShowInfo(const std::wstring& path, const std::wstring& title, const std::wstring& text) override;
    std::unique_ptr<FCImageEffect> RunEffectDialog(CImageDoc& doc, int command) override;
    bool HasEffectDialog(int command) const override;
    // The channel, Y/U/V and Fourier tool views, each in a tool window of its own; the Fourier
    // tool view of the only open document stands beside its image windows (tiled side by side).
    void CreateToolView(CImageDoc& doc, int command) override;
    bool HasToolView(int command) const override;
    CView* ActiveView() override;
    void RemoveDocument(CImageDoc* doc) override;
    void AddRecentFile(const std::wstring& path) override;
    std::wstring LastFolder() override;
    void SetLastFolder(const std::wstring& folder) override;
    bool ReadClipboardImage(FCObjImage& out) override;
    FCProgressObserver& UiProgress() override;
    void PostProgress(int percent) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Connects the scanner layer: the manager opened on the frame's scanner window, and the pump
    // that hands the loop's events to an enabled source first.
    void InitAcquisition();
    // Closes the source and the manager while the windows they use still stand.
    void ShutdownAcquisition();
    void BuildMenus();
    // The Fourier filters' dialogs: the document's commands and the Fourier tool view's twins.
    void RegisterFourierTools();
    void SetMenu(int id);
    void OnMdiActivation();
    void OnImageCursorPos(std::int64_t x, std::int64_t y);
    void OnImageSelection(std::int64_t wParam, std::int64_t lParam);
    void OnViewToolBar();
    void OnViewStatusBar();
    void FillWindowMenu(QMenu* menu);
    // Horizontal tiling stacks the windows, each as wide as the area; vertical tiling puts them
    // side by side, each as high as the area.
    void Tile(bool sideBySide);
    // The MDI area's client size, laid out first.
    QSize MdiAreaSize();
    // A new image window in the MDI area.
    CChildFrame* NewChildFrame();
    // Closes a child frame once the events in hand are done.
    void CloseLater(QMdiSubWindow* frame);
    void MaximizeIfOnly(QMdiSubWindow* frame);
    CImageDoc* FindDocument(const QString& path) const;
    // A file already open gets one more window on its document (the new frame's view); false
    // when no open document has that file.
    bool AttachToOpenDocument(CChildFrame* frame, const QString& path);
    // Takes every window down without asking (after the questions were answered).
    void DestroyChildren();
    // Stores the last folder and the recent-file list in the settings.
    void StoreSettingsOnClose();
    // Makes (again) the preview of the page and shows it in place of the window area.
    void ShowPreviewWidget();

    QString m_productTitle;
    CCommandActions* m_actions = nullptr;
    QMdiArea* m_mdi = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolBar* m_previewBar = nullptr;
    QLabel* m_paneDefault = nullptr;
    QWidget* m_paneProgress = nullptr;
    QLabel* m_paneCursor = nullptr;
    QLabel* m_paneSelection = nullptr;
    CTextProgressBarCtrl* m_progress = nullptr;
    std::unique_ptr<CStatusProgress> m_statusProgress;
    CIdleNotifier* m_idle = nullptr;
    std::map<int, std::vector<QMenu*>> m_menus;
    int m_currentMenu = 0;
    std::vector<QAction*> m_windowItems;
    std::map<int, CommandState> m_uiState;
    QPointer<QMdiSubWindow> m_lastActive;
    QString m_lastDirectory;
    CRecentFileList m_mru;
    QString m_mruPlaceholder;
    bool m_toolBarShown = true;
    bool m_previewShown = false;
    PrinterPtr m_printer;
    RECT m_margins{1000, 1000, 1000, 1000};
    QPrintPreviewWidget* m_preview = nullptr;
    QStackedWidget* m_clientStack = nullptr;
    bool m_created = false;
    bool m_closing = false;
    std::function<bool(const QString&)> m_writable;
    CScannerWindow* m_scannerWindow = nullptr;
    CTwainMessagePump* m_twainPump = nullptr;
};
