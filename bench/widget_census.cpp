// Prints the widgets of the program's main window by kind, as arguments for minimal_qt.
#include "MinimalWindow.h"
#include "shell/App.h"
#include "shell/UMainForm.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    SetupApplication(app);
    TFrmMain main;
    std::printf("%s\n", qPrintable(CensusArguments(TakeCensus(main)).join(QLatin1Char(' '))));
    return 0;
}
