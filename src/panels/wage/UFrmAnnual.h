#pragma once

#include "framework/CalcPanel.h"
#include "tax/Decimal.h"

#include <optional>

// An annual salary: twelve monthly payments, and the rest of the salary with any other bonus
// taxed as one year-end bonus.
class TFrmAnnual : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmAnnual(QWidget* parent);

    void FrameResize() override;
    void BtnCalcClick();
    void EditOtherKeyDown();
    void BtnResetClick();

private:
    void ClearInfo();
    void ClearResults();
    std::optional<tax::Decimal> ReadYear();
    std::optional<tax::Decimal> ReadSalary();
    std::optional<tax::Decimal> ReadSafe();
    std::optional<tax::Decimal> ReadOther();

    QLineEdit* EditYear;
    QLabel* TxtInfo_1;
    QLineEdit* EditSalary;
    QLabel* TxtInfo_2;
    QLineEdit* EditSafe;
    QLabel* TxtInfo_3;
    QLineEdit* EditOther;
    QComboBox* CmbPoint;
    QPushButton* BtnCalc;
    QPushButton* BtnReset;
    TLinkLabel* TxtDetail;
    QLabel* TxtTax;
    QLabel* TxtYearAward;
    QLabel* TxtYearTax;
    QLabel* TxtAllTax;
    QLabel* TxtRealIncome;
};
