#pragma once
// The year-end bonus planning window: splits a year's pay into twelve monthly wages and a
// year-end bonus with the least tax, compares it with the user's split, and plots the year's tax
// against the bonus with the blind zones. The figures follow the fields as they are typed.

#include <QWidget>
#include <optional>

namespace tax {
struct Plan;
}

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TPlanChartView;

class TFrmPlan : public QWidget {
    Q_OBJECT
public:
    explicit TFrmPlan(QWidget* parent = nullptr);

    // Recomputes now and, when a field is refused, puts the focus on it (Enter, 开始计算).
    void BtnCalcClick();
    void BtnCopyClick();
    // The plain-text summary that 复制结果 puts on the clipboard; empty without a result.
    QString Summary() const { return summary; }

private:
    // What the fields say, read; null when one is refused or the pay is not typed yet.
    struct Inputs;
    void BuildInputs(QGridLayout* inputs);
    QGridLayout* BuildResults();
    void BuildOthers();
    void Recompute();
    std::optional<Inputs> ReadInputs();
    void ShowPlan(const Inputs& in, const tax::Plan& plan);
    void WriteSummary(const Inputs& in, const tax::Plan& plan);
    void ShowPicture(const Inputs& in, const tax::Plan& plan);
    void ClearResults();
    // Index 0: since 2019, wages taxed by the year and the bonus alone (the law in force);
    // index 1: the 2011 law (allowance of 3500 or 4800, the bonus after the wage's shortfall).
    bool Law2019() const;
    void AddLawChoice(QGridLayout* inputs, int& row);
    void CmbLawChange();

    QComboBox* CmbLaw = nullptr;
    QLineEdit* EditExtra = nullptr;
    QLabel* TxtInfo_5 = nullptr;

    QLineEdit* EditPay = nullptr;
    QLineEdit* EditSafe = nullptr;
    QComboBox* CmbPoint = nullptr;
    QLineEdit* EditMinSalary = nullptr;
    QLineEdit* EditSalary = nullptr;
    QLabel* TxtInfo_1 = nullptr;
    QLabel* TxtInfo_2 = nullptr;
    QLabel* TxtInfo_3 = nullptr;
    QLabel* TxtInfo_4 = nullptr;
    QPushButton* BtnCalc = nullptr;
    QPushButton* BtnCopy = nullptr;

    QLabel* TxtBestSalary = nullptr;
    QLabel* TxtBestBonus = nullptr;
    QLabel* TxtBestSalaryTax = nullptr;
    QLabel* TxtBestBonusTax = nullptr;
    QLabel* TxtBestTax = nullptr;
    QLabel* TxtBestRealIncome = nullptr;
    QLabel* TxtAllSalaryTax = nullptr;
    QLabel* TxtOwnTax = nullptr;
    QLabel* TxtSaving = nullptr;
    QLabel* TxtSavingCaption = nullptr;
    QTableWidget* GridOthers = nullptr;
    TPlanChartView* Chart = nullptr;
    QString summary;
};
