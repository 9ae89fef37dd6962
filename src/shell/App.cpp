#include "shell/App.h"

#include "framework/Fonts.h"
#include "framework/Product.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QLibraryInfo>
#include <QPixmap>
#include <QResource>
#include <QTranslator>

namespace {

// The icon as pixels drawn beforehand from resources/qingfu.svg at the sizes the window system
// takes: drawing the SVG at start, or decoding PNGs, cost a twentieth of the time to the first
// paint. The renditions are stored uncompressed, so each image is a view on the program's data.
QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 64, 128}) {
        const QResource raw(QStringLiteral(":/icons/qingfu-%1.rgba").arg(size));
        const QByteArray bytes =
            raw.compressionAlgorithm() == QResource::NoCompression
                ? QByteArray::fromRawData(reinterpret_cast<const char*>(raw.data()), raw.size())
                : raw.uncompressedData();
        if (bytes.size() != qsizetype(size) * size * 4) continue;
        const QImage image(reinterpret_cast<const uchar*>(bytes.constData()), size, size,
                           QImage::Format_RGBA8888_Premultiplied);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace

void SetupApplication(QApplication& app) {
    // The title is the application's name. Setting a display name instead would make Qt append
    // it to every window caption.
    app.setApplicationName(product::kTitle);
    // Names the folder of what the program remembers between runs (window places, last folders).
    app.setOrganizationName(QStringLiteral("qingfu"));
    app.setDesktopFileName(QStringLiteral("qingfu"));
    app.setApplicationVersion(product::kVersion);

    // Qt's own boxes and the save dialog speak Chinese ("确定", "保存").
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);

    fonts::InstallMapping();
    app.setFont(fonts::Ui());
    app.setWindowIcon(AppIcon());
}
