#pragma once

#include "framework/CalcPanel.h"
#include "tax/Decimal.h"

#include <optional>

// A month's wage with a year-end bonus paid in the same month: each taxed on its own, the
// wage's unused allowance taken off the bonus first.
class TFrmAward : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmAward(QWidget* parent);

    void FrameResize() override;
    void BtnCalcClick();
    void EditSafeKeyDown();
    void BtnResetClick();
    void EditSafeChange();
    void TxtDetailClick();

private:
    void ClearInfo();
    void ClearResults();
    std::optional<tax::Decimal> ReadYear();
    std::optional<tax::Decimal> ReadSalary();
    std::optional<tax::Decimal> ReadSafe();

    QLineEdit* EditYear;
    QLabel* TxtInfo_1;
    QLineEdit* EditSalary;
    QLabel* TxtInfo_2;
    QLineEdit* EditSafe;
    QLabel* TxtInfo_3;
    QComboBox* CmbPoint;
    QPushButton* BtnCalc;
    QPushButton* BtnReset;
    TLinkLabel* TxtDetail;
    QGroupBox* GroupBox1;
    QLabel* TxtTax1;
    QLabel* TxtRealIncome1;
    QGroupBox* GroupBox2;
    QLabel* TxtTax2;
    QLabel* TxtRealIncome2;
    QLabel* TxtTaxTotal;
    QLabel* TxtRealIncomeAll;
};
