// Cost of what a person waits for: the main window up to its first paint, and switching panels.
#include "framework/CalcPanel.h"
#include "shell/App.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
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

// A keystroke in a tool window whose figures follow the typing: the pay of the planning window
// (the plan, its table and its plot drawn anew, then painted) and the wage of the comparison.
static void Keystrokes(benchmark::State& state, const char* action, const char* window, const char* field,
                       long long base) {
    TFrmMain main;
    main.findChild<QAction*>(QString::fromLatin1(action))->trigger();
    auto* tool = main.findChild<QWidget*>(QString::fromLatin1(window));
    auto* edit = tool->findChild<QLineEdit*>(QString::fromLatin1(field));
    QCoreApplication::processEvents();
    long long n = 0;
    for (auto _ : state) {
        edit->setText(QString::number(base + 997 * (n++ % 100)));
        QCoreApplication::processEvents();
    }
}
static void BM_PlanKeystroke(benchmark::State& state) {
    Keystrokes(state, "Menu_Tool_Plan", "FrmPlan", "EditPay", 300000);
}
BENCHMARK(BM_PlanKeystroke)->Unit(benchmark::kMillisecond);
static void BM_CompareKeystroke(benchmark::State& state) {
    Keystrokes(state, "Menu_Tool_Compare", "FrmCompare", "EditWage", 15000);
}
BENCHMARK(BM_CompareKeystroke)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetupApplication(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
