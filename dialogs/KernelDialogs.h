// The custom kernels: "Filtre 5x5" with its 25 cells, its divisor and its offset, and the same
// dialog as "Filtre 3 x 3" showing only the nine central cells. The preview shows the kernel at
// the start, on "Voir" and after "RAZ"; typing alone previews nothing.
#pragma once

#include "dialogs/CEffectDialogBase.h"
#include "document/DedicatedDialogCommands.h"

class CNumericEditFilter;
class QLineEdit;

class CFiltre5x5Dialog : public CEffectDialogBase
{
public:
    explicit CFiltre5x5Dialog(IPreviewDocument* doc, QWidget* parent = nullptr,
                              const DialogBaseUnits* base = nullptr);

    // The kernel, divisor and offset read at the last "Voir", OK or "Annuler" (the identity
    // before).
    const KernelValues& Values() const { return m_values; }
    // 5, or 3 for the central cells only.
    virtual int KernelSize() const { return 5; }
    std::unique_ptr<FCImageEffect> MakeEffect() const override;

    // Between the fields and the values, divisor, offset, then the cells in order. Saving reads
    // every field: one that does not hold a whole number reads 0, the first of them takes the
    // focus, and the user hears one beep. False when some field was not a number.
    bool Exchange(bool save);

    QLineEdit* Edit(int id) const;

    void accept() override;
    void reject() override;

    static constexpr int kFirstCell = 101, kDivisorId = 1091, kOffsetId = 1116, kShowId = 1092;

protected:
    void OnInitDialog() override;
    void OnReset() override;
    void OnShow();

    KernelValues m_values;
    CNumericEditFilter* m_pFilter = nullptr;
};

class CFiltre3x3Dialog : public CFiltre5x5Dialog
{
public:
    explicit CFiltre3x3Dialog(IPreviewDocument* doc, QWidget* parent = nullptr,
                              const DialogBaseUnits* base = nullptr);
    int KernelSize() const override { return 3; }

    // The cells of the central 3 x 3, row by row.
    static bool IsCentreCell(int index);

protected:
    void OnInitDialog() override;
};
