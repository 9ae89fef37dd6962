#pragma once

#include "framework/CalcPanel.h"

// What sets the four flat-rate panels apart.
struct FlatPanelKind {
    const char* objectName;
    int width, height; // design size
};

enum class FlatPanelId { Property, Interest, Chance, Other };
const FlatPanelKind& FlatKindOf(FlatPanelId id);

// Income taxed at a flat 20% of the whole amount: property transfer, interest and dividends,
// incidental and other income. One layout and one calculation for the four.
class TFlatPanel : public TCalcPanel {
    Q_OBJECT
public:
    void FrameResize() override;
    void BtnCalcClick();
    void EditIncomeKeyDown();
    void BtnResetClick();
    void EditIncomeChange();

protected:
    TFlatPanel(QWidget* parent, FlatPanelId id);

private:
    void ClearResults();

    QLineEdit* EditIncome = nullptr;
    QLabel* TxtInfo = nullptr;
    QPushButton* BtnCalc = nullptr;
    QPushButton* BtnReset = nullptr;
    QLabel* TxtTaxIncome = nullptr;
    QLabel* TxtRate = nullptr;
    QLineEdit* EditTax = nullptr;
    QLineEdit* EditRealIncome = nullptr;
};
