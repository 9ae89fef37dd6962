#pragma once
// The batch window's paper: 打印… (a print preview, Ctrl+P), 导出 PDF… and 生成工资条…, with
// the title line above them. The rows go to the print module as the table shows them.

#include "tax/Result.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class BatchModel;
class QAction;
class QBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;
namespace batch {
struct Progress;
}
namespace print {
class Payroll;
}

class TBatchPrint : public QObject {
    Q_OBJECT
public:
    // Runs `work` on the window's worker thread with its progress bar and 取消, the table locked
    // meanwhile, then `done` on the GUI thread. False, and nothing run, while other work runs.
    using Runner = std::function<bool(const QString& what, std::function<void(batch::Progress&)> work,
                                      std::function<void()> done)>;

    // Adds a row with the title field and the three buttons to `column`, in `window`.
    TBatchPrint(QWidget* window, QBoxLayout* column, BatchModel* model, Runner run);

    // The buttons and Ctrl+P, off while the window's other work runs.
    void SetEnabled(bool enabled);
    // The payslip button as the table's law allows: payments (a kind's table) have none.
    void ShowLaw();

    // The title row an imported file had, offered as the title line.
    void SetTitle(const QString& title);

    enum class Slips { Strips, OnePerPage, Files };

    void BtnPrintClick();
    void BtnPdfClick();
    void BtnPayslipsClick();

    // The work behind the buttons once the target is chosen; public so tests need no dialog.
    // The rows are read and the files written on the window's worker; when it ends a message
    // box says what was written, or why not (none after 取消, which leaves no part of a file).
    // False when other work runs and nothing was started.
    bool ExportPdf(const QString& path);
    bool ExportPayslips(const QString& path, Slips how);

    // The table's rows, refused rows marked, and the totals, fed to a new payroll.
    std::unique_ptr<print::Payroll> Payroll() const;

private:
    struct Plan;
    struct Written;
    // What the rows are printed with, taken from the table and the title on the GUI thread.
    Plan MakePlan() const;
    // The plan's rows fed to `payroll` as the table shows them; `progress`, when given, moves
    // over the first part of its bar and its cancel stops the reading.
    static tax::Status Fill(const Plan& plan, const BatchModel& model, print::Payroll& payroll, batch::Progress* progress);
    // The plan's rows fed to `payroll` on the worker, then `write` run there; `report` gets
    // the outcome on the GUI thread.
    bool Start(const QString& what, std::function<tax::Status(print::Payroll&)> write,
               std::function<void(const Written&)> report);
    bool Ended(const Written& written, const QString& lead);
    void ReportPayslips(const Written& written, const QString& path);

    QWidget* Window;
    BatchModel* Model;
    Runner Run;
    QAction* ActPrint = nullptr;
    QLineEdit* TxtTitle = nullptr;
    QPushButton* BtnPrint = nullptr;
    QPushButton* BtnPdf = nullptr;
    QPushButton* BtnPayslips = nullptr;
};
