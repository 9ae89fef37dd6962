#include "shell/App.h"
#include "shell/UMainForm.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    SetupApplication(app);
    TFrmMain main;
    main.show();
    return app.exec();
}
