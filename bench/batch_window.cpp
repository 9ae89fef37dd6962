// The batch window importing a payroll file and showing it: from the import's start until the
// table has painted the imported rows, the memory the rows hold, a scroll from top to bottom a
// page at a time; then an XLSX export (the memory it adds at its peak) and how soon a cancelled
// export lets go; then the window's longest event-loop stall while the PDF table and the
// payslips are written, on the GUI thread as the window once drew them and on its worker.
// Under the 2019 law (--2019 YEAR), whose figures depend on each person's other months, also the
// time one typed cell takes to be computed with everything it changes.
// Under the 2019 law's payments (--receipts), a row a payment computed by its kind, the same.
// usage: batch_window FILE.csv [SCRATCH_DIR] [--2019 YEAR | --receipts]   (bench/gen_payroll.py makes one)
#include "framework/Dialogs.h"
#include "print/PayrollPrint.h"
#include "shell/App.h"
#include "tools/batch/BatchPrint.h"
#include "tools/batch/BatchUndo.h"
#include "tools/batch/UFrmBatch.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <malloc.h>

namespace {

class PaintWatch : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Until the window's work has finished, sleeping in the event loop as the window's own loop does
// (it wakes for the progress timer and the finish): a loop that spins would take a core from the
// work on a two-core machine and make it look slower than it is.
void WaitUntil(const bool& done) {
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void WaitForPaint(PaintWatch& watch) {
    const int before = watch.paints;
    while (watch.paints == before)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A line of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(static_cast<int>(std::strlen(key)) + 1).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

// The message a finished write shows, printed rather than waiting for a click.
class PrintedMessages : public dialogs::Host {
public:
    PrintedMessages() { dialogs::SetHost(this); }
    ~PrintedMessages() override { dialogs::SetHost(nullptr); }
    void Message(QWidget*, const QString&, const QString& text, QMessageBox::Icon) override {
        std::printf("    %s\n", text.section(QLatin1Char('\n'), 0, 0).toUtf8().constData());
    }
};

// A timer every 10 ms on the GUI thread: the largest gap between two of its turns is the
// longest the window could not repaint or scroll.
class StallWatch {
public:
    StallWatch() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { longest_ = std::max(longest_, clock_.restart()); });
    }
    void Start() {
        longest_ = 0;
        clock_.start();
        timer_.start();
    }
    qint64 Stop() {
        timer_.stop();
        return std::max(longest_, clock_.elapsed());
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

// The PDF table and the payslips in one file: first drawn on the GUI thread as the window did
// before its worker wrote them (the rows read from the table there, events let through once a
// page by the progress dialog), then through the buttons' work on the window's worker.
void PrintStalls(TFrmBatch& window, const QString& dir, bool& done, bool slipsToo) {
    TBatchPrint* paper = window.findChild<TBatchPrint*>(QStringLiteral("BatchPrint"));
    PrintedMessages messages;
    StallWatch watch;
    QElapsedTimer clock;
    const QString table = QDir(dir).filePath(QStringLiteral("batch-window-bench.pdf"));
    const QString slips = QDir(dir).filePath(QStringLiteral("batch-window-slips.pdf"));
    for (int k = 0; k < (slipsToo ? 2 : 1); ++k) {
        watch.Start();
        clock.start();
        std::unique_ptr<print::Payroll> payroll = paper->Payroll();
        payroll->SetProgress([](long long, long long) {
            QCoreApplication::processEvents();
            return true;
        });
        const bool ok = static_cast<bool>(k == 0 ? payroll->TablePdf(table) : payroll->PayslipsPdf(slips, false));
        QCoreApplication::processEvents();
        std::printf("%s on the GUI thread: %lld ms, longest stall %lld ms%s\n", k == 0 ? "PDF table" : "payslips PDF",
                    static_cast<long long>(clock.elapsed()), static_cast<long long>(watch.Stop()), ok ? "" : " (failed)");
    }
    for (int k = 0; k < (slipsToo ? 2 : 1); ++k) {
        done = false;
        watch.Start();
        clock.start();
        if (k == 0) paper->ExportPdf(table);
        else paper->ExportPayslips(slips, TBatchPrint::Slips::Strips);
        WaitUntil(done);
        std::printf("%s on the worker: %lld ms, longest stall %lld ms\n", k == 0 ? "PDF table" : "payslips PDF",
                    static_cast<long long>(clock.elapsed()), static_cast<long long>(watch.Stop()));
    }
    QFile::remove(table);
    QFile::remove(slips);
}

// What the allocator has handed out and not had back: its heap's and its mapped blocks'.
size_t InUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void ResetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

// An XLSX export of the rows (its time and the memory it adds at its peak), then one cancelled.
void Exports(TFrmBatch& window, const QString& dir, bool& done) {
    QElapsedTimer clock;
    const QString book = QDir(dir).filePath(QStringLiteral("batch-window-bench.xlsx"));
    const double base = StatusMb("VmRSS:");
    ResetPeak();
    done = false;
    clock.restart();
    window.ExportTo(book);
    WaitUntil(done);
    std::printf("XLSX export in %lld ms, adding %.1f MB at its peak\n", static_cast<long long>(clock.elapsed()),
                StatusMb("VmHWM:") - base);
    done = false;
    window.ExportTo(book + QStringLiteral(".2.xlsx"));
    clock.restart();
    while (clock.elapsed() < 1500)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    clock.restart();
    window.BtnCancelClick();
    WaitUntil(done);
    std::printf("a cancelled export let go in %lld ms\n", static_cast<long long>(clock.elapsed()));
    QFile::remove(book);
}

// One value pasted over a column of every row, then a block of rows with headings at the end.
void Pastes(TFrmBatch& window, QTableView* table, PaintWatch& watch, int column) {
    BatchModel* model = window.model();
    QElapsedTimer clock;
    // One value pasted over a whole column (起征点; under the 2019 law 其他; for payments 其他):
    // every row computed again and shown, as one step of undo.
    table->selectColumn(column);
    QApplication::clipboard()->setText(QStringLiteral("100"));
    clock.restart();
    window.BtnPasteClick();
    WaitForPaint(watch);
    std::printf("one value pasted over the %s column of every row: in %lld ms\n",
                model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toUtf8().constData(),
                static_cast<long long>(clock.elapsed()));
    // A block of a thousand rows with its headings pasted at the end, read as an import.
    QString block;
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->flags(model->index(0, c)) & Qt::ItemIsEditable)
            block += model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() + QLatin1Char('\t');
    block += QLatin1Char('\n');
    for (int r = 0; r < 1000; ++r) {
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->flags(model->index(r, c)) & Qt::ItemIsEditable)
                block += model->data(model->index(r, c), Qt::EditRole).toString() + QLatin1Char('\t');
        block += QLatin1Char('\n');
    }
    QApplication::clipboard()->setText(block);
    table->clearSelection();
    clock.restart();
    window.BtnPasteClick();
    WaitForPaint(watch);
    std::printf("a block of 1000 rows with headings pasted: in %lld ms\n", static_cast<long long>(clock.elapsed()));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetupApplication(app);
    int year = 0;
    bool receipts = false;
    if (argc >= 4 && std::strcmp(argv[argc - 2], "--2019") == 0) {
        year = std::atoi(argv[argc - 1]);
        argc -= 2;
    } else if (argc >= 3 && std::strcmp(argv[argc - 1], "--receipts") == 0) {
        receipts = true;
        --argc;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: batch_window FILE.csv\n");
        return 2;
    }
    TFrmBatch window(nullptr);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    auto* table = window.findChild<QTableView*>(QStringLiteral("TableRows"));
    PaintWatch watch;
    table->viewport()->installEventFilter(&watch);
    WaitForPaint(watch);
    if (year) {
        window.findChild<QComboBox*>(QStringLiteral("CmbLaw"))->setCurrentIndex(2);
        auto* years = window.findChild<QComboBox*>(QStringLiteral("CmbYear"));
        years->setCurrentIndex(years->findData(year));
    }
    if (receipts) window.findChild<QComboBox*>(QStringLiteral("CmbLaw"))->setCurrentIndex(3);

    bool done = false;
    QObject::connect(&window, &TFrmBatch::WorkFinished, [&done] { done = true; });
    const double before = StatusMb("VmRSS:");
    const size_t heapBefore = InUse();
    QElapsedTimer clock;
    clock.start();
    window.ImportFrom(QString::fromLocal8Bit(argv[1]));
    WaitUntil(done);
    const qint64 read = clock.elapsed();
    WaitForPaint(watch);
    const qint64 shown = clock.elapsed();
    const double held = StatusMb("VmRSS:") - before;
    // The heap in use, apart from pages the allocator keeps after the import's scratch is freed.
    const double heapHeld = static_cast<double>(InUse() - heapBefore);

    QScrollBar* bar = table->verticalScrollBar();
    int pages = 0;
    clock.restart();
    while (bar->value() < bar->maximum() && pages < 2000) {
        bar->setValue(bar->value() + bar->pageStep());
        WaitForPaint(watch);
        ++pages;
    }
    const qint64 scrolled = clock.elapsed();
    std::printf("%zu rows: imported in %lld ms, shown in %lld ms; %d pages scrolled, %.2f ms a page\n",
                window.model()->Rows().size(), static_cast<long long>(read), static_cast<long long>(shown),
                pages, pages ? static_cast<double>(scrolled) / pages : 0.0);
    std::printf("the rows hold %.1f MB (%.0f bytes a row)\n", held,
                held * 1024 * 1024 / std::max<size_t>(1, window.model()->RowCount()));
    std::printf("of which in use on the heap %.1f MB (%.0f bytes a row)\n", heapHeld / (1024 * 1024),
                heapHeld / static_cast<double>(std::max<size_t>(1, window.model()->RowCount())));
    // One amount typed in the first row, in view: it (and under the 2019 law the person's other
    // months) computed again and shown.
    bar->setValue(0);
    WaitForPaint(watch);
    BatchModel* model = window.model();
    const int amount = receipts ? 5 : year ? 3 : 1;
    clock.restart();
    model->setData(model->index(0, amount), QStringLiteral("12345.67"), Qt::EditRole);
    WaitForPaint(watch);
    std::printf("one cell typed: computed and shown in %lld ms\n", static_cast<long long>(clock.elapsed()));
    Pastes(window, table, watch, receipts ? 9 : year ? 19 : 3);
    if (argc < 3) return 0;
    Exports(window, QString::fromLocal8Bit(argv[2]), done);
    // The pasted 起征点 of 100 refuses every row: undone, so that each person gets a payslip.
    window.undoStack()->undo();
    window.undoStack()->undo();
    PrintStalls(window, QString::fromLocal8Bit(argv[2]), done, !receipts);
    return 0;
}
