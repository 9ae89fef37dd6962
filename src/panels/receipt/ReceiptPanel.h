#pragma once

#include "framework/CalcPanel.h"

// What sets the three flat-rate per-receipt panels apart.
struct ReceiptPanelKind {
    const char* objectName;
    int width, height; // design size
    double rate;
    const char* rateText; // shown as written, not formatted from the rate
    bool noticeNoTax;     // says so in the info label, and selects the receipt, when no tax is due
};

enum class ReceiptPanelId { Writing, Licence, Rent };
const ReceiptPanelKind& ReceiptKindOf(ReceiptPanelId id);

// Author's remuneration, royalties and property lease: one receipt after the per-receipt
// deduction at the panel's rate. One layout and one calculation for the three.
class TReceiptPanel : public TCalcPanel {
    Q_OBJECT
public:
    void FrameResize() override;
    void BtnCalcClick();
    void EditIncomeKeyDown();
    void BtnResetClick();
    void EditIncomeChange();

protected:
    TReceiptPanel(QWidget* parent, ReceiptPanelId id);

private:
    void ClearResults();

    const ReceiptPanelKind& Kind;
    QLineEdit* EditIncome = nullptr;
    QLabel* TxtInfo = nullptr;
    QPushButton* BtnCalc = nullptr;
    QPushButton* BtnReset = nullptr;
    QLabel* TxtDeduct = nullptr;
    QLabel* TxtTaxIncome = nullptr;
    QLabel* TxtRate = nullptr;
    QLineEdit* EditTax = nullptr;
    QLineEdit* EditRealIncome = nullptr;
};
