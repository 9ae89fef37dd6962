#pragma once

#include "framework/CalcPanel.h"

// What sets the two business-income panels apart.
struct BusinessPanelKind {
    const char* objectName;
    int width, height;      // design size
    bool monthsOfOperation; // a row for the months, each worth an allowance, pushes the rest down
};

enum class BusinessPanelId { Company, Contract };
const BusinessPanelKind& BusinessKindOf(BusinessPanelId id);

// Business income on the five-band table: an individual business's whole income, or a
// contracted operation's income less its operating-period allowance.
class TBusinessPanel : public TCalcPanel {
    Q_OBJECT
public:
    void FrameResize() override;
    void BtnCalcClick();
    void EditIncomeKeyDown();
    void BtnResetClick();
    void EditIncomeChange();

protected:
    TBusinessPanel(QWidget* parent, BusinessPanelId id);

private:
    void ClearResults();
    void FillMonths();

    const BusinessPanelKind& Kind;
    QLineEdit* EditIncome = nullptr;
    QLabel* TxtInfo = nullptr;
    QComboBox* CmbMonth = nullptr; // only with months of operation
    QPushButton* BtnCalc = nullptr;
    QPushButton* BtnReset = nullptr;
    QLabel* TxtTaxIncome = nullptr;
    QLabel* TxtRate = nullptr;
    QLabel* TxtDeduct = nullptr; // the quick deduction
    QLineEdit* EditTax = nullptr;
    QLineEdit* EditRealIncome = nullptr;
};
