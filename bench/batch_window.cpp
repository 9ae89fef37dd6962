// The batch window importing a payroll file and showing it: from the import's start until the
// table has painted the imported rows, and a scroll from top to bottom a page at a time.
// usage: batch_window FILE.csv   (bench/gen_payroll.py makes one)
#include "shell/App.h"
#include "shell/UFrmBatch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <cstdio>

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

void WaitForPaint(PaintWatch& watch) {
    const int before = watch.paints;
    while (watch.paints == before)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetupApplication(app);
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

    bool done = false;
    QObject::connect(&window, &TFrmBatch::WorkFinished, [&done] { done = true; });
    QElapsedTimer clock;
    clock.start();
    window.ImportFrom(QString::fromLocal8Bit(argv[1]));
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 read = clock.elapsed();
    WaitForPaint(watch);
    const qint64 shown = clock.elapsed();

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
    return 0;
}
