// Resident memory while the panels are switched as a person turning the mouse wheel over the
// income list: after a thousand switches and after a hundred thousand. A switch makes and
// deletes a whole panel, so anything one leaves behind shows here as steady growth.
#include "shell/App.h"
#include "shell/UMainForm.h"

#include <QApplication>
#include <QComboBox>
#include <QWheelEvent>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

namespace {

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long HeapKiB() {
#ifdef __GLIBC__
    return long(mallinfo2().uordblks / 1024);
#else
    return 0;
#endif
}

// One notch of the wheel over the list: the next row down or up.
void Wheel(QComboBox* list, bool down) {
    const QPointF at = list->rect().center();
    QWheelEvent event(at, list->mapToGlobal(at), QPoint(), QPoint(0, down ? -120 : 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &event);
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetupApplication(app);
    const long total = argc > 1 ? std::atol(argv[1]) : 100000;
    TFrmMain main;
    main.show();
    QCoreApplication::processEvents();
    auto* list = main.findChild<QComboBox*>(QStringLiteral("CmbType"));
    const long start = ResidentKiB();
    long afterThousand = 0;
    // Down the rows and back up again, so every panel is made and deleted in turn.
    bool down = true;
    for (long n = 1; n <= total; ++n) {
        if (list->currentIndex() == list->count() - 1) down = false;
        if (list->currentIndex() == 0) down = true;
        Wheel(list, down);
        if (n == 1000) afterThousand = ResidentKiB();
        if (n % 10000 == 0)
            std::fprintf(stderr, "%7ld switches: resident %ld KiB, heap in use %ld KiB\n", n, ResidentKiB(), HeapKiB());
    }
    const long end = ResidentKiB();
    std::printf("resident at start:                 %8ld KiB\n", start);
    std::printf("resident after 1000 switches:      %8ld KiB\n", afterThousand);
    std::printf("resident after %ld switches: %8ld KiB\n", total, end);
    std::printf("growth from 1000 to %ld:      %8ld KiB (%.3f KiB a switch)\n", total, end - afterThousand,
                double(end - afterThousand) / double(total - 1000));
    return 0;
}
