// What the document needs from the main window and from the system, and nothing more: message
// boxes, the wait cursor, the save dialog, the information dialog, new tool views, the active
// view, closing a document, the recent-file list and last folder, the clipboard image, and the
// progress display. The main frame implements it; tests answer it with a fake. The clock, the
// program's version strings and the few file operations of saving have working defaults here.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

class CImageDoc;
class CView;

// Message boxes: the buttons and icon, and the button the user chose.
enum class DocMsgStyle
{
    Ok,       // an OK button, no icon
    Error,    // an OK button and the error icon
    Question, // Yes, No and Cancel with the question icon
};

enum class DocMsgAnswer
{
    Ok,
    Yes,
    No,
    Cancel,
};

// What the save dialog gives back on OK.
struct SaveAsChoice
{
    std::wstring path;      // full name of the chosen file
    std::wstring fileTitle; // its name without the folder
};

// The three version strings stamped into saved files.
struct VersionStrings
{
    std::wstring description;
    std::wstring version;
    std::wstring copyright;
};

// The file operations of saving and of the information text, so that their failures can be
// shown in tests. Paths are wide; the defaults go to the file system.
class CDocFiles
{
public:
    virtual ~CDocFiles() = default;
    // An existing entry that is not a directory.
    virtual bool Exists(const std::wstring& path);
    virtual bool Remove(const std::wstring& path);
    // Renames from to to; refuses (false) when to already exists, whatever it is.
    virtual bool Move(const std::wstring& from, const std::wstring& to);
    // Size in bytes and last-write time (seconds since 1970, UTC) of an existing entry.
    virtual bool Stat(const std::wstring& path, std::uint64_t& size, std::int64_t& lastWrite);
};

class CDocHost
{
public:
    virtual ~CDocHost() = default;

    // A modal message box owned by the main window. caption null: the system's default caption;
    // empty: no caption.
    virtual DocMsgAnswer MessageBox(const std::wstring& text, const wchar_t* caption, DocMsgStyle style) = 0;

    // The wait cursor while a long operation of the user-interface thread runs; calls nest
    // (see CWaitCursor).
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // The save dialog with the known-images filter list. initialName: the file name it starts
    // with (empty for none); initialFolder: the folder it starts in (empty for the default).
    // Renaming the extension when the user picks another file type is the dialog's business.
    virtual std::optional<SaveAsChoice> AskSaveAs(const std::wstring& initialName,
                                                  const std::wstring& initialFolder) = 0;

    // The information dialog: path, title and text (lines end in "\r\n").
    virtual void ShowInfo(const std::wstring& path, const std::wstring& title, const std::wstring& text) = 0;

    // Creates the tool view that the command id names, in a tool frame of its own, attached to
    // the document (CDocument::AddView), then updates the document's views.
    virtual void CreateToolView(CImageDoc& doc, int command) = 0;
    // Whether CreateToolView can build the tool view of the command.
    virtual bool HasToolView(int command) const;

    // The effect dialog of an image command, run modally over the active window with its live
    // preview on the document. On OK, the effect that its final values make; null on Cancel or
    // when the command has no dialog. When it returns, the preview has ended: the image is again
    // what it was before the dialog, and only the caller applies the effect.
    virtual std::unique_ptr<FCImageEffect> RunEffectDialog(CImageDoc& doc, int command);
    // Whether RunEffectDialog has a dialog for the command.
    virtual bool HasEffectDialog(int command) const;

    // The view of the active child window, or null.
    virtual CView* ActiveView() = 0;

    // Takes the document out of the list of open documents and deletes it.
    virtual void RemoveDocument(CImageDoc* doc) = 0;

    // The recent-file list and the folder the file dialogs start in.
    virtual void AddRecentFile(const std::wstring& path) = 0;
    virtual std::wstring LastFolder() = 0;
    virtual void SetLastFolder(const std::wstring& folder) = 0;

    // The clipboard's image by the clipboard rule (32 bits when it has alpha, else 24); false
    // when the clipboard holds no image.
    virtual bool ReadClipboardImage(FCObjImage& out) = 0;

    // The process-wide progress observer: user-interface thread only (it shows the bar and
    // answers false when the user pressed Escape).
    virtual FCProgressObserver& UiProgress() = 0;
    // Shows a percentage from any thread: posted to the user-interface thread, never blocking;
    // posts arrive in the order they were made. 100 hides the bar.
    virtual void PostProgress(int percent) = 0;

    // The local date and time now.
    virtual std::tm LocalTime();
    // "FileDescription", "FileVersion" and "LegalCopyright" of the running program.
    virtual VersionStrings ProgramVersion();
    virtual CDocFiles& Files();
};

// Shows the wait cursor for the life of the object.
class CWaitCursor
{
public:
    explicit CWaitCursor(CDocHost& host) : m_host(host) { m_host.BeginWaitCursor(); }
    ~CWaitCursor() { m_host.EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    CDocHost& m_host;
};
