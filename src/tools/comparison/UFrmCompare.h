#pragma once
// 新旧税制对比: one monthly wage, its insurance, the special additional deductions and a year-end
// bonus, and the year's tax and take-home under each law that has applied to such pay, with a
// plot of the year's tax against the monthly wage for each. The figures follow the typing.

#include <QWidget>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TLawsChartView;

class TFrmCompare : public QWidget {
    Q_OBJECT
public:
    explicit TFrmCompare(QWidget* parent = nullptr);
    // Recomputes now and, when a field is refused, puts the focus on it (Enter, 开始计算).
    void BtnCalcClick();
    // The whole table with its header and the inputs, tab-separated, to the clipboard.
    void BtnCopyClick();
    // The table's selected cells, tab-separated (Ctrl+C in the table).
    void CopySelection();

private:
    QGridLayout* BuildInputs();
    void BuildTable();
    void Recompute();
    void ClearResults();

    QLineEdit* EditWage = nullptr;
    QLineEdit* EditSafe = nullptr;
    QLineEdit* EditExtra = nullptr;
    QLineEdit* EditBonus = nullptr;
    QLabel* TxtInfo_1 = nullptr;
    QLabel* TxtInfo_2 = nullptr;
    QLabel* TxtInfo_3 = nullptr;
    QLabel* TxtInfo_4 = nullptr;
    QPushButton* BtnCalc = nullptr;
    QPushButton* BtnCopy = nullptr;
    QTableWidget* GridLaws = nullptr;
    TLawsChartView* Chart = nullptr;
    QString inputsLine; // what the table was computed from, for the copy
};
