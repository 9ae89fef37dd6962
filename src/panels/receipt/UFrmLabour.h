#pragma once

#include "framework/IncomePanel.h"


// Labour remuneration: one receipt after the per-receipt deduction on the three-bracket labour
// table, and the receipt back from the amount after tax.
class TFrmLabour : public TIncomePanel {
    Q_OBJECT
public:
    explicit TFrmLabour(QWidget* parent);

    void BtnCalcClick() override;
    void EditRealIncomeKeyDown();
    void BtnRealIncomeClick();
    void EditRealIncomeChange();

private:
    QLabel* TxtDeduct = nullptr;
    QLabel* TxtTaxIncome = nullptr;
    QLabel* TxtRate = nullptr;
    QLabel* TxtQuick = nullptr;
    QPushButton* BtnRealIncome = nullptr;
};
