// Cost of what a person waits for: the main window up to its first paint, and switching panels.
#include "framework/CalcPanel.h"
#include "shell/App.h"
#include "shell/UMainForm.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <benchmark/benchmark.h>

namespace {

class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

} // namespace

static void BM_MainWindowToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        TFrmMain main;
        PaintWatch watch;
        main.installEventFilter(&watch);
        main.show();
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}
BENCHMARK(BM_MainWindowToFirstPaint)->Unit(benchmark::kMillisecond);

static void BM_SwitchThroughAllRows(benchmark::State& state) {
    TFrmMain main;
    main.show();
    QCoreApplication::processEvents();
    auto* list = main.findChild<QComboBox*>(QStringLiteral("CmbType"));
    for (auto _ : state) {
        // One pass down the seventeen rows with the arrow keys, as a person would.
        for (int row = 1; row < list->count(); ++row) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(list, &down);
            QCoreApplication::processEvents();
        }
        QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
        QApplication::sendEvent(list, &home);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_SwitchThroughAllRows)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetupApplication(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
