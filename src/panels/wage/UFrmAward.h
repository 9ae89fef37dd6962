#pragma once

#include "framework/CalcPanel.h"

// A month's wage with a year-end bonus paid in the same month: each taxed on its own, the
// wage's unused allowance taken off the bonus first.
class TFrmAward : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmAward(QWidget* parent);

    void BtnCalcClick() override;
    void EditSafeKeyDown();
    void EditSafeChange();
    void TxtDetailClick();

private:
    QLineEdit* EditYear;
    QLabel* TxtInfo_1;
    QLineEdit* EditSalary;
    QLineEdit* EditSafe;
    QComboBox* CmbPoint;
    QLabel* TxtTax1;
    QLabel* TxtRealIncome1;
    QLabel* TxtTax2;
    QLabel* TxtRealIncome2;
    QLabel* TxtTaxTotal;
    QLabel* TxtRealIncomeAll;
};
