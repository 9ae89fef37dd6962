// In-process start-up: from making the application object to the main window's first paint,
// for the program and for the plain yardstick window with the same widgets, and one switch of
// the calculator panel (old one destroyed, new one made and laid out, then painted).
// Each iteration makes and destroys its own QApplication, so process-wide caches that survive
// it (fontconfig, loaded libraries and plugins) are warm: the cold figure is bench/startup.sh's.
#include "MinimalWindow.h"
#include "framework/CalcPanel.h"
#include "shell/App.h"
#include "shell/UMainForm.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

int gArgc = 1;
char gArg0[] = "bench_startup";
char* gArgv[] = {gArg0, nullptr};

class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void ShowAndWaitForPaint(QWidget& window) {
    PaintWatch watch;
    window.installEventFilter(&watch);
    window.show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // The paint event is delivered; let the backing store reach the screen too.
    QCoreApplication::processEvents();
}

WidgetCensus ProgramCensus() {
    QApplication app(gArgc, gArgv);
    SetupApplication(app);
    TFrmMain main;
    return TakeCensus(main);
}

} // namespace

static void BM_ProgramAppToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        QApplication app(gArgc, gArgv);
        SetupApplication(app);
        TFrmMain main;
        ShowAndWaitForPaint(main);
    }
}
BENCHMARK(BM_ProgramAppToFirstPaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);

static void BM_MinimalAppToFirstPaint(benchmark::State& state) {
    const WidgetCensus census = ProgramCensus();
    for (auto _ : state) {
        QApplication app(gArgc, gArgv);
        TMinimalWindow window(census);
        ShowAndWaitForPaint(window);
    }
}
BENCHMARK(BM_MinimalAppToFirstPaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One step through the closed list with the arrow keys, alternating between a row and the one
// after it so each step lands on a panel of its own. Without paint: the old panel destroyed, the
// new one made and given its first layout (all synchronous). With paint: until it is drawn.
static void SwitchPanels(benchmark::State& state, bool untilPainted) {
    QApplication app(gArgc, gArgv);
    SetupApplication(app);
    TFrmMain main;
    ShowAndWaitForPaint(main);
    auto* list = main.findChild<QComboBox*>(QStringLiteral("CmbType"));
    const int row = static_cast<int>(state.range(0));
    while (list->currentIndex() < row) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(list, &key);
    }
    QCoreApplication::processEvents();
    bool down = true;
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, down ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
        QApplication::sendEvent(list, &key);
        down = !down;
        if (!untilPainted) continue;
        PaintWatch watch;
        main.currentPanel()->installEventFilter(&watch);
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        main.currentPanel()->removeEventFilter(&watch);
    }
    state.SetLabel(main.currentPanel()->objectName().toStdString());
}

static void BM_SwitchOnePanel(benchmark::State& state) {
    SwitchPanels(state, false);
}
BENCHMARK(BM_SwitchOnePanel)->Unit(benchmark::kMicrosecond)->Arg(0)->Arg(5)->Arg(11)->Arg(14);

static void BM_SwitchOnePanelToPaint(benchmark::State& state) {
    SwitchPanels(state, true);
}
BENCHMARK(BM_SwitchOnePanelToPaint)->Unit(benchmark::kMicrosecond)->Arg(0)->Arg(5)->Arg(11)->Arg(14);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
