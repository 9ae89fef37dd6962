#pragma once

#include "framework/CalcPanel.h"

#include <optional>

// Labour remuneration: one receipt after the per-receipt deduction on the three-bracket labour
// table, and the receipt back from the amount after tax.
class TFrmLabour : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmLabour(QWidget* parent);

    void FrameResize() override;
    void BtnCalcClick();
    void EditIncomeKeyDown();
    void EditRealIncomeKeyDown();
    void BtnRealIncomeClick();
    void BtnResetClick();
    void EditIncomeChange();
    void EditRealIncomeChange();

private:
    void ClearResults();
    std::optional<double> ReadRealIncome();

    QLineEdit* EditIncome = nullptr;
    QLabel* TxtInfo = nullptr;
    QPushButton* BtnCalc = nullptr;
    QPushButton* BtnReset = nullptr;
    QLabel* TxtDeduct = nullptr;
    QLabel* TxtTaxIncome = nullptr;
    QLabel* TxtRate = nullptr;
    QLabel* TxtQuick = nullptr;
    QLineEdit* EditTax = nullptr;
    QLineEdit* EditRealIncome = nullptr;
    QPushButton* BtnRealIncome = nullptr;
    QLabel* TxtInfo_2 = nullptr;
};
