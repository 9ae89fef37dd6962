#pragma once

#include "framework/IncomePanel.h"

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
class TBusinessPanel : public TIncomePanel {
    Q_OBJECT
public:
    void FrameResize() override;
    void BtnCalcClick() override;
    void BtnResetClick() override;

protected:
    TBusinessPanel(QWidget* parent, BusinessPanelId id);

private:
    void FillMonths();

    const BusinessPanelKind& Kind;
    QLabel* TxtTaxIncome = nullptr;
    QLabel* TxtRate = nullptr;
    QLabel* TxtDeduct = nullptr;   // the quick deduction
    QComboBox* CmbMonth = nullptr; // only with months of operation
};
