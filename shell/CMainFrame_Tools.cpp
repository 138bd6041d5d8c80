// The main frame's side of the tool views: creating them in tool windows, and the dialogs of the
// Fourier filters.
#include "shell/CMainFrame.h"

#include "dialogs/EffectDialogs.h"
#include "dialogs/FourierDialogs.h"
#include "document/CImageDoc.h"
#include "resources/CommandIds.h"
#include "views/CBitmapViewToolBase.h"
#include "views/CChildFrame.h"
#include "views/FourierFeedback.h"

void CMainFrame::RegisterFourierTools()
{
    RegisterEffectDialogs(FourierDialogEntries());
    SetFourierFeedbackRunner(&RunFourierFeedbackDialog);
}

bool CMainFrame::HasToolView(int command) const
{
    return FindToolView(command) != nullptr;
}

void CMainFrame::CreateToolView(CImageDoc& doc, int command)
{
    const ToolViewInfo* info = FindToolView(command);
    std::unique_ptr<CBitmapViewToolBase> view = NewToolView(command);
    if (!info || !view) return;
    auto* frame = new CChildToolFrame(view.release(), info->contextMenu);
    AddChildFrame(frame);
    doc.AddView(frame->View());
    doc.UpdateAllViews();
    if (command == kCmdViewFourierTool && GetDocumentCount() == 1) TileVertical();
}
