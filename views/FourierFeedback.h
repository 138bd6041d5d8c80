// How the Fourier tool view meets the dialogs of its filters without depending on them: the view
// offers its three overlay values to the dialog, and the main frame installs the one runner that
// opens the feedback dialog of a filter command (tests install a scripted one).
#pragma once

#include <functional>
#include <memory>

class CImageDoc;
class FCImageEffect;
class QWidget;

// The filter window drawn over the spectrum follows these values; each store repaints the view
// at once, before the preview of the same change starts.
class IFourierOverlayTarget
{
public:
    virtual ~IFourierOverlayTarget() = default;
    virtual void SetOverlayValue1(int value) = 0;
    virtual void SetOverlayValue2(int value) = 0;
    virtual void SetOverlayValue3(int value) = 0;
};

// Runs the feedback dialog of a filter command modally over parent with its live preview on the
// document, its slider values going to the overlay. On OK, the filter of the final values; null
// otherwise. The preview has ended when it returns.
using FourierFeedbackRunner = std::function<std::unique_ptr<FCImageEffect>(
    CImageDoc& doc, int command, IFourierOverlayTarget& overlay, QWidget* parent)>;

void SetFourierFeedbackRunner(FourierFeedbackRunner runner);
const FourierFeedbackRunner& GetFourierFeedbackRunner();
