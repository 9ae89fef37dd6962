#pragma once

#include "framework/CalcPanel.h"

// An annual salary: twelve monthly payments, and the rest of the salary with any other bonus
// taxed as one year-end bonus.
class TFrmAnnual : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmAnnual(QWidget* parent);

    void BtnCalcClick() override;
    void EditOtherKeyDown();

private:
    QLineEdit* EditYear;
    QLineEdit* EditSalary;
    QLineEdit* EditSafe;
    QLineEdit* EditOther;
    QComboBox* CmbPoint;
    QLabel* TxtTax;
    QLabel* TxtYearAward;
    QLabel* TxtYearTax;
    QLabel* TxtAllTax;
    QLabel* TxtRealIncome;
};
