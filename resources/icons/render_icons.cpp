// Draws the window icon's renditions from qingfu.svg as raw premultiplied RGBA pixels:
//   cmake --build build --target render_icons && build/render_icons resources/qingfu.svg resources/icons
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: render_icons SVG OUTPUT_DIR\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) return 1;
    for (int size : {16, 32, 64, 128}) {
        QImage image(size, size, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        QFile out(QStringLiteral("%1/qingfu-%2.rgba").arg(QString::fromLocal8Bit(argv[2])).arg(size));
        if (!out.open(QIODevice::WriteOnly) || out.write(reinterpret_cast<const char*>(image.constBits()),
                                                         image.sizeInBytes()) != image.sizeInBytes())
            return 1;
    }
    return 0;
}
