#pragma once

#include "framework/CalcPanel.h"
#include "tax/Decimal.h"

#include <optional>

// One month's wages: the tax from the gross wage, and the gross wage back from a tax amount
// or from a net wage.
class TFrmSalary : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmSalary(QWidget* parent);

    void FrameResize() override;
    void BtnCalcClick();
    void EditSafeKeyDown();
    void EditTaxKeyDown();
    void EditRealIncomeKeyDown();
    void BtnTaxClick();
    void BtnRealIncomeClick();
    void BtnResetClick();
    void EditSafeChange();
    void TxtDetailClick();

private:
    void ClearInfo();
    void ClearResults();
    std::optional<tax::Decimal> ReadIncome();
    std::optional<tax::Decimal> ReadSafe();
    std::optional<tax::Decimal> ReadTax();
    std::optional<tax::Decimal> ReadRealIncome();

    QLineEdit* EditIncome;
    QLabel* TxtInfo_1;
    QLineEdit* EditSafe;
    QLabel* TxtInfo_2;
    QComboBox* CmbPoint;
    QPushButton* BtnCalc;
    QPushButton* BtnReset;
    TLinkLabel* TxtDetail;
    QLabel* TxtTaxIncome;
    QLabel* TxtRate;
    QLabel* TxtQuick;
    QLineEdit* EditTax;
    QPushButton* BtnTax;
    QLabel* TxtInfo_3;
    QLineEdit* EditRealIncome;
    QPushButton* BtnRealIncome;
    QLabel* TxtInfo_4;
};
