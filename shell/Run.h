// The program's run: the splash screen, the main frame, the files of the command line, the event
// loop. Returns the exit code: 1 after a normal close, 0 when the main frame cannot be made.
#pragma once

#include <QStringList>

#include <functional>

class CMainFrame;

struct RunHooks
{
    // Replaces CMainFrame::Create (a test makes creation fail).
    std::function<bool(CMainFrame&)> create;
    // Runs once the frame is up and the files are open, before the event loop.
    std::function<void(CMainFrame&)> started;
};

// arguments: the program's arguments, [0] being the program.
int Run(const QStringList& arguments, const RunHooks& hooks = {});

// Prepares the application object: numbers without the locale, Qt's own dialogs in French, the
// program staying up when its last window closes (it ends by its own exit code).
void PrepareApplication();
