#include "shell/App.h"

#include "framework/Fonts.h"
#include "framework/Product.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

void SetupApplication(QApplication& app) {
    // The title is the application's name. Setting a display name instead would make Qt append
    // it to every window caption.
    app.setApplicationName(product::kTitle);
    app.setDesktopFileName(QStringLiteral("qingfu"));
    app.setApplicationVersion(product::kVersion);

    // Qt's own boxes and the save dialog speak Chinese ("确定", "保存").
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);

    fonts::InstallMapping();
    app.setFont(fonts::Ui());
    app.setWindowIcon(QIcon(QStringLiteral(":/qingfu.svg")));
}
