#pragma once
// A payroll on paper: the table on A4 landscape pages, and payslips (工资条), one strip per
// person. Rows are fed one at a time as the output shows them and spooled to a scratch file,
// which is read again to measure, to paginate and to draw, so the page count is known before
// the first page is drawn and memory does not grow with the number of people. QtGui only: the
// pages go to any paged device, a PDF file or a printer.

#include "tax/Result.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace print {

struct Head {
    QString title;              // the line above the table; empty: none
    QStringList columns;        // the column titles
    std::vector<bool> numeric;  // right-aligned columns (missing: left)
    QString slipSuffix;         // after 工号-姓名 in a payslip's file name: the month ("2024年6月")
    // The columns a payslip shows, in order (empty: every column); of those, the ones in
    // slipIfAny only when some person on the slips has a cell there other than empty or 0.
    std::vector<int> slipColumns;
    std::vector<int> slipIfAny;
    QDate printed = QDate::currentDate();
};

// Column widths, font size and bands of one kind of page, found from the measured texts.
struct Fit {
    double pointSize = 0;
    std::vector<double> widths;          // per column, in device units
    std::vector<std::vector<int>> bands; // the columns of each band, left to right
    std::vector<bool> wraps;             // columns narrower than their longest text
};

class Payroll {
public:
    explicit Payroll(Head head);
    ~Payroll();
    Payroll(const Payroll&) = delete;
    Payroll& operator=(const Payroll&) = delete;

    // One person's row. A refused row is printed in the table but gets no payslip.
    tax::Status Add(const QStringList& cells, bool refused = false);
    void SetTotals(const QStringList& cells) { totals_ = cells; }
    long long Rows() const { return rows_; }
    long long Slips() const { return rows_ - refused_; }

    // The table with the header row on every page and the totals at the end.
    tax::Status WriteTable(QPagedPaintDevice& device);
    // One strip per computed person: as many to a page as fit, or one a page.
    tax::Status WritePayslips(QPagedPaintDevice& device, bool onePerPage);

    // The same into a PDF file, written beside `path` and moved into place when whole.
    tax::Status TablePdf(const QString& path);
    tax::Status PayslipsPdf(const QString& path, bool onePerPage);
    // One PDF a person in `dir` (made when missing), named 工号-姓名.pdf from the columns of
    // those titles (工号-姓名-2024年6月.pdf with the head's slipSuffix); the number of files.
    tax::Result<long long> PayslipFiles(const QString& dir);

    // Called before each page is drawn and before each person's file is written, with the
    // count done and the count in all; false stops the work, which then fails as cancelled
    // (the PDF being written is not left behind; whole files a person already written stay).
    using Progress = std::function<bool(long long done, long long total)>;
    void SetProgress(Progress progress) { progress_ = std::move(progress); }
    // A flag looked at every few hundred rows while the rows are measured and paginated, and
    // before each page and file: once set, the work fails as cancelled. Reading a large
    // payroll takes long before the first page, where Progress is not called.
    void SetCancel(const std::atomic<bool>* cancel) { cancel_ = cancel; }

    // Pages of the last Write; the fit it used (for tests and the window's messages).
    int Pages() const { return pages_; }
    const Fit& LastFit() const { return fit_; }

private:
    struct Spool;
    struct Sheet;
    struct Line;

    std::vector<double> NaturalWidths(QPagedPaintDevice& device, int columns, bool slips);
    std::vector<long long> PageStarts(Sheet& sheet, bool slips, bool onePerPage);
    void DrawPage(QPainter& p, Sheet& sheet, const std::vector<Line>& page, bool slips);

    tax::Status Write(QPagedPaintDevice& device, bool slips, bool onePerPage);
    // Payslips of the head's slipColumns alone: the rows put into a payroll of those columns.
    tax::Status WriteChosen(QPagedPaintDevice& device, bool onePerPage);
    tax::Status Pdf(const QString& path, bool landscape,
                    const std::function<tax::Status(QPagedPaintDevice&)>& draw) const;

    Head head_;
    // A payslip file in a folder the program fills: a link at its name is replaced, never followed.
    bool replaceLinks_ = false;
    QStringList totals_;
    std::unique_ptr<Spool> spool_;
    long long rows_ = 0, refused_ = 0;
    int pages_ = 0;
    Fit fit_;
    Progress progress_;
    const std::atomic<bool>* cancel_ = nullptr;
    bool Cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }
};

// A file name for a person's payslip from the ID and the name: characters that file systems
// refuse or that would climb out of the folder are replaced, the length is bounded.
QString SafeFileName(const QString& id, const QString& name, long long ordinal);

} // namespace print
