#include "shell/UCatchImg.h"

#include "batch/SaveFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <algorithm>

namespace {

TCatchImg::ScreenReader gReader;
QString gTempDir;

QList<ScreenPixels> ReadScreens(const QRect& area) {
    QList<ScreenPixels> found;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (!screen->geometry().intersects(area)) continue;
        // Window id 0 is the whole screen, whatever lies on it.
        found.append({screen->geometry(), screen->grabWindow(0).toImage()});
    }
    return found;
}

// The area as the screens show it; what no screen shows stays black.
QImage Picture(const QRect& area, const QList<ScreenPixels>& screens) {
    qreal ratio = 1;
    for (const ScreenPixels& s : screens)
        if (!s.image.isNull()) {
            ratio = s.image.devicePixelRatio();
            break;
        }
    QImage picture(area.size() * ratio, QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const ScreenPixels& s : screens)
        if (!s.image.isNull()) painter.drawImage(QRectF(s.geometry.translated(-area.topLeft())), s.image);
    return picture;
}

QByteArray Jpeg(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(picture)) return {};
    return bytes;
}

} // namespace

void TCatchImg::SetScreenReader(ScreenReader reader) {
    gReader = std::move(reader);
}

QByteArray TCatchImg::CatchToFile(int left, int top, int right, int bottom, const QString& fileName) {
    const QRect area(QPoint(left, top), QSize(right - left, bottom - top));
    if (area.isEmpty()) return {};
    const QList<ScreenPixels> screens = gReader ? gReader(area) : ReadScreens(area);
    const bool anyRead =
        std::any_of(screens.begin(), screens.end(), [](const ScreenPixels& s) { return !s.image.isNull(); });
    if (!anyRead) return {};
    const QByteArray jpeg = Jpeg(Picture(area, screens));
    if (jpeg.isEmpty()) return {};
    // The scratch file is a convenience: the caller holds the picture, so its failure is dropped.
    (void)batch::SaveWhole(QFile::encodeName(fileName).toStdString(), std::string_view(jpeg.constData(), jpeg.size()));
    return jpeg;
}

namespace capture {

QString TempFileName() {
    const QString dir = gTempDir.isEmpty() ? QCoreApplication::applicationDirPath() : gTempDir;
    return QDir(dir).filePath(QStringLiteral("tmp.jpg"));
}

void SetTempDir(const QString& dir) {
    gTempDir = dir;
}

tax::Status SaveWhole(const QString& path, const QByteArray& data) {
    return batch::SaveWhole(QFile::encodeName(path).toStdString(), std::string_view(data.constData(), data.size()));
}

} // namespace capture
