#pragma once
// Comprehensive income under the law in force since 2019: a year of wages withheld
// cumulatively month by month, the special additional deductions as a person thinks of them,
// the year-end bonus taxed alone or joined, other receipts, and the year's settlement.
// Everything recomputes as the user types; a bad entry is marked with a message beside it and
// nothing is computed from it.

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

class TFrmYearly : public QWidget {
    Q_OBJECT
public:
    explicit TFrmYearly(QWidget* parent = nullptr);

    void Recompute();
    void BtnFillClick();
    void BtnCopyClick();
    // The text 复制结果 puts on the clipboard, tab-separated; empty while an entry is refused.
    QString Summary() const { return summary; }

private:
    void AddReceipt();
    void RemoveReceipt();
    void ClearResults();

    QComboBox* CmbYear = nullptr;
    QComboBox* CmbFirstMonth = nullptr;
    QLineEdit* EditMonthWage = nullptr;
    QLineEdit* EditMonthSafe = nullptr;
    QPushButton* BtnFill = nullptr;
    QLabel* TxtFillInfo = nullptr;
    QTableWidget* TblMonths = nullptr;
    QLabel* TxtMonthsInfo = nullptr;

    QSpinBox* SpinChildren = nullptr;
    QSpinBox* SpinInfants = nullptr;
    QComboBox* CmbElder = nullptr;
    QLineEdit* EditElderShare = nullptr;
    QComboBox* CmbHousing = nullptr;
    QCheckBox* ChkDegree = nullptr;
    QCheckBox* ChkCertificate = nullptr;
    QLineEdit* EditIllness = nullptr;
    QLineEdit* EditPension = nullptr;
    QLabel* TxtExtraMonth = nullptr;
    QLabel* TxtExtraInfo = nullptr;

    QLineEdit* EditBonus = nullptr;
    QLabel* TxtBonusInfo = nullptr;
    QLabel* TxtBonusAlone = nullptr;
    QLabel* TxtBonusJoined = nullptr;
    QLabel* TxtBonusBest = nullptr;
    QLabel* TxtBonusZone = nullptr;

    QTableWidget* TblReceipts = nullptr;
    QPushButton* BtnAddReceipt = nullptr;
    QPushButton* BtnRemoveReceipt = nullptr;
    QLabel* TxtReceiptsInfo = nullptr;

    QLabel* TxtYearIncome = nullptr;
    QLabel* TxtYearTaxable = nullptr;
    QLabel* TxtYearRate = nullptr;
    QLabel* TxtYearQuick = nullptr;
    QLabel* TxtYearTax = nullptr;
    QLabel* TxtYearWithheld = nullptr;
    QLabel* TxtYearBalance = nullptr;
    QLabel* TxtYearBalanceNote = nullptr;
    QPushButton* BtnCopy = nullptr;

    bool filling = false; // tables being written by the program, not typed
    QString summary;
};
