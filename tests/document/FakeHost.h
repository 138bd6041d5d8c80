// A host for documents under test: scripted answers, and a record of every call.
#pragma once

#include "document/CDocManager.h"
#include "document/CImageDoc.h"
#include "document/CView.h"
#include "platform/settings/Settings.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace testdoc
{
// Forgets every setting written by an earlier test of the process.
inline void ResetSettings()
{
    std::filesystem::remove(GetSettingsFile());
    SetProcessorCountForTesting(0);
}

// Counts its notifications and its repaint requests (from any thread).
class CountingView : public CView
{
public:
    explicit CountingView(std::vector<CountingView*>* order = nullptr) : m_order(order)
    {
        RepaintHandle()->Attach(
            [this]
            {
                ++repaints;
                if (onRepaint) onRepaint();
            });
    }
    ~CountingView() override { RepaintHandle()->Detach(); }
    void OnUpdate() override
    {
        ++updates;
        if (m_order) m_order->push_back(this);
    }

    int updates = 0;
    std::atomic<int> repaints{0};
    // Runs on the thread that asks for the repaint.
    std::function<void()> onRepaint;

private:
    std::vector<CountingView*>* m_order;
};

// Answers OnProgress from a script (true once the script is used up) and records every call.
class ScriptedProgress : public FCProgressObserver
{
public:
    bool OnProgress(int percent) override
    {
        reports.push_back(percent);
        if (onReport) onReport(percent);
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<int> reports;
    std::deque<bool> answers;
    std::function<void(int)> onReport;
};

struct MessageCall
{
    std::wstring text;
    std::wstring caption;
    bool hasCaption;
    DocMsgStyle style;
};

class FakeHost : public CDocHost
{
public:
    DocMsgAnswer MessageBox(const std::wstring& text, const wchar_t* caption, DocMsgStyle style) override
    {
        messages.push_back({text, caption ? caption : L"", caption != nullptr, style});
        if (answers.empty()) return style == DocMsgStyle::Question ? DocMsgAnswer::Cancel : DocMsgAnswer::Ok;
        const DocMsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void BeginWaitCursor() override
    {
        ++waitDepth;
        ++waitCursors;
    }
    void EndWaitCursor() override { --waitDepth; }
    std::optional<SaveAsChoice> AskSaveAs(const std::wstring& initialName,
                                          const std::wstring& initialFolder) override
    {
        saveAsCalls.push_back({initialName, initialFolder});
        return saveAsAnswer;
    }
    void ShowInfo(const std::wstring& path, const std::wstring& title, const std::wstring& text) override
    {
        infos.push_back({path, title, text});
    }
    void CreateToolView(CImageDoc& doc, int command) override
    {
        (void)doc;
        toolViews.push_back(command);
    }
    bool HasToolView(int command) const override { return builtToolViews.count(command) != 0; }
    // Answers from the script, one per dialog run (a null entry, or none left, is a Cancel).
    std::unique_ptr<FCImageEffect> RunEffectDialog(CImageDoc& doc, int command) override
    {
        dialogCommands.push_back(command);
        if (onDialog) onDialog(doc, command);
        if (dialogAnswers.empty()) return nullptr;
        std::unique_ptr<FCImageEffect> answer = std::move(dialogAnswers.front());
        dialogAnswers.pop_front();
        return answer;
    }
    bool HasEffectDialog(int command) const override { return effectDialogs.count(command) != 0; }
    CView* ActiveView() override { return activeView; }
    void RemoveDocument(CImageDoc* doc) override
    {
        ++removals;
        manager.RemoveDocument(doc);
    }
    void AddRecentFile(const std::wstring& path) override { recent.push_back(path); }
    std::wstring LastFolder() override { return lastFolder; }
    void SetLastFolder(const std::wstring& folder) override { lastFolder = folder; }
    bool ReadClipboardImage(FCObjImage& out) override
    {
        if (!clipboard.HasBits()) return false;
        out = clipboard;
        return true;
    }
    FCProgressObserver& UiProgress() override { return progress; }
    void PostProgress(int percent) override
    {
        std::lock_guard lock(postMutex);
        posts.push_back(percent);
        if (onPost) onPost(percent);
        postChanged.notify_all();
    }
    // Waits (at most 30 s) until the posts so far satisfy done; false on time-out.
    bool WaitForPosts(const std::function<bool(const std::vector<int>&)>& done)
    {
        std::unique_lock lock(postMutex);
        return postChanged.wait_for(lock, std::chrono::seconds(30), [&] { return done(posts); });
    }
    // Waits until n posts of 100 have been made.
    bool WaitForHundreds(int n)
    {
        return WaitForPosts([n](const std::vector<int>& p)
                            { return std::count(p.begin(), p.end(), 100) >= n; });
    }
    std::vector<int> Posts()
    {
        std::lock_guard lock(postMutex);
        return posts;
    }
    std::tm LocalTime() override { return clock; }
    VersionStrings ProgramVersion() override { return version; }
    CDocFiles& Files() override { return files ? *files : CDocHost::Files(); }

    std::deque<DocMsgAnswer> answers;
    std::vector<MessageCall> messages;
    int waitCursors = 0;
    int waitDepth = 0;
    std::optional<SaveAsChoice> saveAsAnswer;
    std::vector<std::pair<std::wstring, std::wstring>> saveAsCalls;
    struct Info
    {
        std::wstring path, title, text;
    };
    std::vector<Info> infos;
    std::vector<int> toolViews;
    std::set<int> builtToolViews;
    std::deque<std::unique_ptr<FCImageEffect>> dialogAnswers;
    std::vector<int> dialogCommands;
    std::function<void(CImageDoc&, int)> onDialog; // runs while the dialog is "open"
    std::set<int> effectDialogs;
    CView* activeView = nullptr;
    int removals = 0;
    CDocManager manager;
    std::vector<std::wstring> recent;
    std::wstring lastFolder;
    FCObjImage clipboard;
    ScriptedProgress progress;
    std::mutex postMutex;
    std::condition_variable postChanged;
    std::vector<int> posts;
    std::function<void(int)> onPost; // runs on the posting thread, under postMutex
    std::tm clock{};
    VersionStrings version{L"Orvalis 5", L"5.1.2.3", L"Copyright (C) Test"};
    CDocFiles* files = nullptr;
};
} // namespace testdoc
