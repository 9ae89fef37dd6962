#pragma once

#include "framework/CalcPanel.h"

// A year-end bonus on its own: the tax by the one-twelfth rule, the bonus back from what is
// left after tax, and the blind-zone notice.
class TFrmYear : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmYear(QWidget* parent);

    void BtnCalcClick() override;
    void EditIncomeKeyDown();
    void EditRealIncomeKeyDown();
    void BtnRealIncomeClick();
    void EditIncomeChange();
    void EditTaxChange();
    void EditRealIncomeChange();
    void TxtDetailClick();

private:
    QLineEdit* EditIncome;
    QLabel* TxtInfo_1;
    QLabel* TxtAverage;
    QLabel* TxtRate;
    QLabel* TxtQuick;
    QLineEdit* EditTax;
    QLineEdit* EditRealIncome;
};
