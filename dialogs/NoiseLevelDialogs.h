// "Bruiter" (the amount of noise, independent colours or not) and "Nombre de Niveaux" (the
// number of levels kept per channel), both previewed from the start.
#pragma once

#include "dialogs/CEffectDialogBase.h"

class QCheckBox;
class QLabel;

// Amount 1..100 (50 at the start), page 10. Previews at the start, on a new amount and on the
// check box; "RAZ" brings the amount back to 50, keeps the check box, and previews again (new
// noise each time).
class CBruiterDialog : public CEffectDialogBase
{
public:
    explicit CBruiterDialog(IPreviewDocument* doc, QWidget* parent = nullptr,
                            const DialogBaseUnits* base = nullptr);

    int Amount() const { return m_nAmount; }
    bool IndependentColours() const { return m_bIndependent; }
    std::unique_ptr<FCImageEffect> MakeEffect() const override;

    CTrackBar* TrackBar() const { return m_pBar; }
    QLabel* ValueLabel() const { return m_pLabel; }
    QCheckBox* IndependentBox() const { return m_pCheck; }

    static constexpr int kDefaultAmount = 50, kCheckId = 1063;

protected:
    void OnInitDialog() override;
    void OnReset() override;
    virtual void OnHScroll();

private:
    CTrackBar* m_pBar = nullptr;
    QLabel* m_pLabel = nullptr;
    QCheckBox* m_pCheck = nullptr;
    int m_nAmount = kDefaultAmount;
    bool m_bIndependent = false;
};

// Radio buttons "2", "4", "8", "16", "32", "64", "128"; "128" at the start. Previews at the
// start, on every button, and after "RAZ" (back to "128").
class CNbNiveauxDialog : public CEffectDialogBase
{
public:
    explicit CNbNiveauxDialog(IPreviewDocument* doc, QWidget* parent = nullptr,
                              const DialogBaseUnits* base = nullptr);

    int Levels() const { return m_nLevels; }
    std::unique_ptr<FCImageEffect> MakeEffect() const override;

    // The level count of a radio button, 0 for another id. The ids are not in value order.
    static int LevelsOfButton(int id);
    static constexpr int kFirstButton = 1064, kLastButton = 1070;

protected:
    void OnInitDialog() override;
    void OnReset() override;

private:
    void OnLevelsRadio(int id);
    void CheckButton(int id);

    int m_nLevels = 128;
};
