#pragma once

#include "framework/CalcPanel.h"
#include "tax/Decimal.h"

#include <optional>

// A year-end bonus on its own: the tax by the one-twelfth rule, the bonus back from what is
// left after tax, and the blind-zone notice.
class TFrmYear : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmYear(QWidget* parent);

    void FrameResize() override;
    void BtnCalcClick();
    void EditIncomeKeyDown();
    void EditRealIncomeKeyDown();
    void BtnRealIncomeClick();
    void BtnResetClick();
    void EditIncomeChange();
    void EditTaxChange();
    void EditRealIncomeChange();
    void TxtDetailClick();

private:
    void ClearInfo();
    void ClearResults();
    std::optional<tax::Decimal> ReadIncome();
    std::optional<tax::Decimal> ReadRealIncome();

    QLineEdit* EditIncome;
    QLabel* TxtInfo_1;
    QPushButton* BtnCalc;
    QPushButton* BtnReset;
    TLinkLabel* TxtDetail;
    QLabel* TxtAverage;
    QLabel* TxtRate;
    QLabel* TxtQuick;
    QLineEdit* EditTax;
    QLineEdit* EditRealIncome;
    QPushButton* BtnRealIncome;
    QLabel* TxtInfo_2;
};
