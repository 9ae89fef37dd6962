#pragma once

#include "framework/IncomePanel.h"

// What sets the four flat-rate panels apart.
struct FlatPanelKind {
    const char* objectName;
    int width, height; // design size
};

enum class FlatPanelId { Property, Interest, Chance, Other };
const FlatPanelKind& FlatKindOf(FlatPanelId id);

// Income taxed at a flat 20% of the whole amount: property transfer, interest and dividends,
// incidental and other income. One layout and one calculation for the four.
class TFlatPanel : public TIncomePanel {
    Q_OBJECT
public:
    void BtnCalcClick() override;

protected:
    TFlatPanel(QWidget* parent, FlatPanelId id);

private:
    QLabel* TxtTaxIncome = nullptr;
    QLabel* TxtRate = nullptr;
};
