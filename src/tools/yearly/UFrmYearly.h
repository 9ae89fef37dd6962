#pragma once
// Comprehensive income under the law in force since 2019: a year of wages withheld
// cumulatively month by month, the special additional deductions as a person thinks of them
// (with the months they run and a parent's share), the year-end bonus taxed alone or joined,
// other receipts, and the year's settlement against what was really withheld. Everything
// recomputes as the user types; a bad entry is marked with a message beside it and nothing is
// computed from it.

#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;


namespace tax::law2019 {
struct YearQuestion;
struct YearAnswer;
} // namespace tax::law2019

class TFrmYearly : public QWidget {
    Q_OBJECT
public:
    explicit TFrmYearly(QWidget* parent = nullptr);

    void Recompute();
    void BtnFillClick();
    void BtnCopyClick();
    // The text 复制结果 puts on the clipboard, tab-separated; empty while an entry is refused.
    QString Summary() const { return summary; }
    // Rows of months pasted at the table's cell (row, column): tab-separated cells, a line a
    // month, written over the typed columns of the months on the payroll.
    void PasteMonths(int row, int column, const QString& text);
    // Whether anything was typed that closing the window would lose.
    bool HasInput() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildUpper();
    QWidget* BuildLower();
    QGroupBox* BuildDeductions(QWidget* parent);
    void AddYearDeductions(QGridLayout* grid, int row);
    void AddSpan(QGridLayout* grid, int row, const QString& name, QComboBox*& from, QComboBox*& to);
    QGroupBox* BuildBonus(QWidget* parent);
    QGroupBox* BuildReceipts(QWidget* parent);
    QGroupBox* BuildSettlement(QWidget* parent);
    void ConnectAll();
    bool ReadMonths(tax::law2019::YearQuestion& q);
    bool ReadFamily(tax::law2019::YearQuestion& q);
    bool ReadReceipts(tax::law2019::YearQuestion& q);
    void ShowMonths(const tax::law2019::YearQuestion& q, const tax::law2019::YearAnswer& a, QStringList& lines);
    void ShowBonus(const tax::law2019::YearQuestion& q, const tax::law2019::YearAnswer& a);
    void ShowSettlement(const tax::law2019::YearQuestion& q, const tax::law2019::YearAnswer& a, QStringList& lines);
    void AddReceipt();
    void RemoveReceipt();
    void ClearResults();

    QComboBox* CmbYear = nullptr;
    QComboBox* CmbFirstMonth = nullptr;
    QCheckBox* ChkFirstJob = nullptr;
    QCheckBox* ChkLowEarner = nullptr;
    QLineEdit* EditMonthWage = nullptr;
    QLineEdit* EditMonthSafe = nullptr;
    QPushButton* BtnFill = nullptr;
    QLabel* TxtFillInfo = nullptr;
    QTableWidget* TblMonths = nullptr;
    QLabel* TxtMonthsInfo = nullptr;

    QSpinBox* SpinChildren = nullptr;
    QComboBox* CmbChildrenFrom = nullptr;
    QComboBox* CmbChildrenTo = nullptr;
    QComboBox* CmbChildrenShare = nullptr;
    QSpinBox* SpinInfants = nullptr;
    QComboBox* CmbInfantsFrom = nullptr;
    QComboBox* CmbInfantsTo = nullptr;
    QComboBox* CmbInfantsShare = nullptr;
    QComboBox* CmbElder = nullptr;
    QComboBox* CmbElderFrom = nullptr;
    QComboBox* CmbElderTo = nullptr;
    QLineEdit* EditElderShare = nullptr;
    QComboBox* CmbHousing = nullptr;
    QComboBox* CmbHousingFrom = nullptr;
    QComboBox* CmbHousingTo = nullptr;
    QCheckBox* ChkDegree = nullptr;
    QComboBox* CmbDegreeFrom = nullptr;
    QComboBox* CmbDegreeTo = nullptr;
    QCheckBox* ChkCertificate = nullptr;
    QComboBox* CmbCertificateMonth = nullptr;
    QLineEdit* EditIllness = nullptr;
    QLineEdit* EditPension = nullptr;
    QLabel* TxtExtraMonth = nullptr;
    QLabel* TxtExtraInfo = nullptr;

    QLineEdit* EditBonus = nullptr;
    QLabel* TxtBonusInfo = nullptr;
    QLabel* TxtBonusTax = nullptr;
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
    QLineEdit* EditWithheld = nullptr;
    QLabel* TxtYearWithheld = nullptr;
    QLabel* TxtYearBalance = nullptr;
    QLabel* TxtWaiverIncome = nullptr;
    QLabel* TxtYearBalanceNote = nullptr;
    QPushButton* BtnCopy = nullptr;

    bool filling = false; // tables being written by the program, not typed
    QString summary;
};
