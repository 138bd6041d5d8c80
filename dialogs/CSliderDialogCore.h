// The one implementation behind every slider dialog with a live preview: one, two or three
// trackbars on dialog templates 213, 214 and 215, each with its value label and caption, and the
// buttons OK, "Annuler" and "RAZ". The ranges, defaults, title and captions are data set before
// the dialog is shown, so the dialogs whose ranges follow the image size use it as well as the
// class templates of SliderDialogTemplates.h, which fill them from their arguments.
//
// What happens, in order:
// - construction: the document backs up its image (the preview opens);
// - first show: each position := its default; each trackbar gets its range, a page size of a
//   tenth and a tick spacing of half its range, its position; each value label shows "%d"; the
//   captions and the title are set; the hooks OnSlider1Changed.. run with the positions; a first
//   preview shows the effect of the defaults;
// - a trackbar moved: its position and label follow; the hook of every position that changed
//   runs (a hook may set a position back); when some position differs from before, a new
//   preview of the effect of all positions;
// - "RAZ": every position, trackbar and label back to the defaults; one or two sliders: the
//   image shown without effect, then the hooks; three sliders: the hooks, then the image; then
//   a preview of the defaults;
// - OK, "Annuler", Escape or the window's close button: the preview ends (the image is again
//   what it was), then the dialog ends with 1 (OK) or 2.
// Moving a trackbar from the program never counts as a user's move: no hook and no preview
// start from it.
//
// With a converter (one slider only) the effect receives convert(position), shown in the value
// label with the converter's printf format (no locale: "  1.00"); the position held keeps its
// default; a move previews only when the converted value changes, and "RAZ" shows the image
// without effect and starts no preview (the default converts to the identity).
#pragma once

#include "dialogs/CPreviewDialog.h"
#include "resources/DialogBuilder.h"

#include <QDialog>
#include <QString>

#include <array>
#include <memory>
#include <string>

class FCImageEffect;
class IPreviewDocument;
class QLabel;

class CSliderDialogCore : public QDialog, public CPreviewDialog
{
public:
    // sliders: 1, 2 or 3. The document (may be null) backs up its image now. Every slider starts
    // at -100..100, default 0, with an empty caption. base: the dialog-unit base to lay the
    // template out with (tests give fixed ones); null takes it from the dialog's font.
    CSliderDialogCore(IPreviewDocument* doc, int sliders, QWidget* parent = nullptr,
                      const DialogBaseUnits* base = nullptr);
    // The preview ends here if OK or Cancel did not end it.
    ~CSliderDialogCore() override;

    // ---- Set before the dialog is first shown (slider: 1, 2 or 3) ----
    void SetTitle(const QString& title) { m_title = title; }
    void SetSlider(int slider, int min, int max, int def);
    void SetCaption(int slider, const QString& caption);
    // One-slider dialogs: the effect receives convert(position), shown with format (a printf
    // format of one double).
    void SetConverter(double (*convert)(int), const char* format);

    // ---- Read at any time, also after the dialog has ended ----
    int SliderCount() const { return m_sliders; }
    int Value(int slider) const { return m_value[Index(slider)]; }
    int Min(int slider) const { return m_min[Index(slider)]; }
    int Max(int slider) const { return m_max[Index(slider)]; }
    int Default(int slider) const { return m_default[Index(slider)]; }
    // The value the effect receives from a converting dialog.
    double ConvertedValue() const { return m_converted; }
    const QString& Title() const { return m_title; }
    const QString& Caption(int slider) const { return m_caption[Index(slider)]; }

    // The effect of the values held now: each preview shows it, and on OK the caller applies it.
    virtual std::unique_ptr<FCImageEffect> MakeEffect() const = 0;

    // ---- Controls ----
    CTrackBar* TrackBar(int slider) const;
    QLabel* ValueLabel(int slider) const;
    QLabel* CaptionLabel(int slider) const;
    const CDialogControls& Controls() const { return m_controls; }

    // OK and Cancel: the preview ends first, then the dialog with 1 or 2. Escape and the
    // window's close button come here too.
    void accept() override;
    void reject() override;

    // Control ids of slider n's trackbar, value label and caption.
    static int TrackBarId(int slider) { return 1043 + 3 * (slider - 1); }
    static int ValueLabelId(int slider) { return 1044 + 3 * (slider - 1); }
    static int CaptionId(int slider) { return 1045 + 3 * (slider - 1); }
    static constexpr int kResetId = 1052;

protected:
    // Hooks, run with the new position whenever a position takes a value: at initialisation,
    // when the user moves the slider, and on "RAZ". Nothing by default.
    virtual void OnSlider1Changed(int position) { (void)position; }
    virtual void OnSlider2Changed(int position) { (void)position; }
    virtual void OnSlider3Changed(int position) { (void)position; }

    // The dialog's steps, for subclasses that add to them.
    virtual void OnInitDialog();
    virtual void OnHScroll(int slider);
    virtual void OnReset();

    // Moves a slider from the program (a hook setting a position back): position, trackbar and
    // label, with no hook and no preview.
    void SetValue(int slider, int value);
    bool IsInitialised() const { return m_initialised; }

    void showEvent(QShowEvent* event) override;

private:
    int Index(int slider) const;
    void CallHook(int slider, int position);
    void ShowValue(int slider);
    void ShowConverted();

    int m_sliders;
    CDialogControls m_controls;
    std::array<CTrackBar*, 3> m_bar{};
    std::array<QLabel*, 3> m_label{};
    std::array<QLabel*, 3> m_captionLabel{};
    std::array<int, 3> m_value{};
    std::array<int, 3> m_min{-100, -100, -100};
    std::array<int, 3> m_max{100, 100, 100};
    std::array<int, 3> m_default{};
    std::array<QString, 3> m_caption;
    QString m_title;
    double (*m_convert)(int) = nullptr;
    std::string m_format;
    double m_converted = 0.0;
    bool m_initialised = false;
};

// The channel of the red, green and blue dialogs: the sunken channel grown by 2 pixels above and
// below, with a bar of pure red (trackbar 1043), green (1046) or blue (1049) inset by half a
// thumb width from each end.
void DrawColourBarChannel(int id, QPainter& painter, const QRect& channel, const CTrackBar& bar);
