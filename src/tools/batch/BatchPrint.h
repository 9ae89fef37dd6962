#pragma once
// The batch window's paper: 打印… (a print preview, Ctrl+P), 导出 PDF… and 生成工资条…, with
// the title line above them. The rows go to the print module as the table shows them.

#include <QObject>
#include <QString>
#include <memory>

class BatchModel;
class QBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;
namespace print {
class Payroll;
}

class TBatchPrint : public QObject {
    Q_OBJECT
public:
    // Adds a row with the title field and the three buttons to `column`, in `window`.
    TBatchPrint(QWidget* window, QBoxLayout* column, BatchModel* model);

    // The title row an imported file had, offered as the title line.
    void SetTitle(const QString& title);

    enum class Slips { Strips, OnePerPage, Files };

    void BtnPrintClick();
    void BtnPdfClick();
    void BtnPayslipsClick();

    // The work behind the buttons once the target is chosen; public so tests need no dialog.
    // A message box says what was written, or why not; true when written. Cancelled in the
    // progress dialog: false, no box.
    bool ExportPdf(const QString& path);
    bool ExportPayslips(const QString& path, Slips how);

    // The table's rows, refused rows marked, and the totals, fed to a new payroll.
    std::unique_ptr<print::Payroll> Payroll() const;

private:
    QWidget* Window;
    BatchModel* Model;
    QLineEdit* TxtTitle = nullptr;
    QPushButton* BtnPrint = nullptr;
    QPushButton* BtnPdf = nullptr;
    QPushButton* BtnPayslips = nullptr;
};
