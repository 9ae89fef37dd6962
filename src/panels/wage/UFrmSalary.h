#pragma once

#include "framework/CalcPanel.h"

// One month's wages: the tax from the gross wage, and the gross wage back from a tax amount
// or from a net wage.
class TFrmSalary : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmSalary(QWidget* parent);

    void BtnCalcClick() override;
    void EditSafeKeyDown();
    void EditTaxKeyDown();
    void EditRealIncomeKeyDown();
    void BtnTaxClick();
    void BtnRealIncomeClick();
    void EditSafeChange();
    void TxtDetailClick();

private:
    QLineEdit* EditIncome;
    QLineEdit* EditSafe;
    QComboBox* CmbPoint;
    QLabel* TxtTaxIncome;
    QLabel* TxtRate;
    QLabel* TxtQuick;
    QLineEdit* EditTax;
    QLineEdit* EditRealIncome;
};
