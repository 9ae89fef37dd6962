// The yardstick program of the start-up measure: a plain Qt Widgets window with the widgets
// the census names on its command line.
#include "MinimalWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TMinimalWindow window(ParseCensus(QCoreApplication::arguments()));
    window.show();
    return app.exec();
}
