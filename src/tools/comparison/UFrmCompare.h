#pragma once
// 新旧税制对比: one monthly wage, its insurance and a year-end bonus, and the year's tax and
// take-home under each law that has applied to such pay, with a plot of the year's tax against
// the monthly wage for each.

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TLawsChartView;

class TFrmCompare : public QWidget {
    Q_OBJECT
public:
    explicit TFrmCompare(QWidget* parent = nullptr);
    void BtnCalcClick();

private:
    void ClearResults();

    QLineEdit* EditWage = nullptr;
    QLineEdit* EditSafe = nullptr;
    QLineEdit* EditBonus = nullptr;
    QLabel* TxtInfo_1 = nullptr;
    QLabel* TxtInfo_2 = nullptr;
    QLabel* TxtInfo_3 = nullptr;
    QPushButton* BtnCalc = nullptr;
    QTableWidget* GridLaws = nullptr;
    TLawsChartView* Chart = nullptr;
};
