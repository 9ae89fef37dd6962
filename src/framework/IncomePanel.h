#pragma once
// The panels with one income field: the field and its buttons on top, result labels under the
// heading, the tax and the amount after tax at the bottom. They share that layout and the
// handlers that do not depend on the kind of income; each computes in its own BtnCalcClick.

#include "framework/CalcPanel.h"

#include <optional>
#include <span>

// One result label with its caption, at the same top.
struct ResultRow {
    const char* captionName;
    const char* caption;
    const char* resultName;
    int top;
};

struct IncomeLayout {
    int resetLeft;                   // left of BtnReset
    int shift;                       // how far an extra input row pushes everything below it down
    std::span<const ResultRow> rows; // tops without the shift
    int taxTop;                      // EditTax; EditRealIncome follows, its top given too
    int realIncomeTop;
    std::span<const Control> extra = {}; // a panel's own controls, made after the common ones
    // Where EditRealIncome reports when it is also typed in (for the way back); null: never read.
    const char* realIncomeInfo = nullptr;
    const AmountRule* realIncomeRule = nullptr;
};

class TIncomePanel : public TCalcPanel {
    Q_OBJECT
public:
    void BtnCalcClick() override = 0;
    void EditIncomeChange();
    void EditIncomeKeyDown();

protected:
    TIncomePanel(QWidget* parent, const QString& objectName, QSize designSize, const IncomeLayout& layout);

    std::optional<tax::Decimal> ReadIncome();
    // After a calculation: the income selected, ready for the next one.
    void SelectIncome();

    QLineEdit* EditIncome = nullptr;
    QLabel* TxtInfo = nullptr;
    QPushButton* BtnCalc = nullptr;
    QPushButton* BtnReset = nullptr;
    QLineEdit* EditTax = nullptr;
    QLineEdit* EditRealIncome = nullptr;
};
