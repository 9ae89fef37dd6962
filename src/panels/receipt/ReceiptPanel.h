#pragma once

#include "framework/IncomePanel.h"

// What sets the three flat-rate per-receipt panels apart.
struct ReceiptPanelKind {
    const char* objectName;
    int width, height; // design size
    tax::Decimal rate;
    bool noticeNoTax;     // says so in the info label, and selects the receipt, when no tax is due
};

enum class ReceiptPanelId { Writing, Licence, Rent };
const ReceiptPanelKind& ReceiptKindOf(ReceiptPanelId id);

// Author's remuneration, royalties and property lease: one receipt after the per-receipt
// deduction at the panel's rate. One layout and one calculation for the three.
class TReceiptPanel : public TIncomePanel {
    Q_OBJECT
public:
    void BtnCalcClick() override;

protected:
    TReceiptPanel(QWidget* parent, ReceiptPanelId id);

private:
    const ReceiptPanelKind& Kind;
    QLabel* TxtDeduct = nullptr;
    QLabel* TxtTaxIncome = nullptr;
    QLabel* TxtRate = nullptr;
};
