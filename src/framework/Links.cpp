#include "framework/Links.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

namespace links {

namespace {
Opener gOpener;
} // namespace

void Open(const QUrl& address) {
    try {
        if (gOpener)
            gOpener(address);
        else
            QDesktopServices::openUrl(address);
    } catch (...) {
        // A link that cannot be opened simply has no visible effect.
    }
}

void SetOpener(Opener opener) {
    gOpener = std::move(opener);
}

QUrl SiteAddress(const QString& path) {
    const QString base = QStringLiteral(QINGFU_SITE_URL);
    const QString page = path.isEmpty() ? QStringLiteral("index.html") : path;
    if (!base.isEmpty()) return QUrl(base.endsWith('/') ? base + path : base + '/' + path);
    // The copy of the site that ships with the program: beside it in the build tree,
    // under share/ when installed.
    const QDir appDir(QCoreApplication::applicationDirPath());
    const QStringList candidates{appDir.filePath(QStringLiteral("site")),
                                 appDir.filePath(QStringLiteral("../share/qingfu/site"))};
    for (const QString& dir : candidates)
        if (QFileInfo::exists(dir)) return QUrl::fromLocalFile(QDir(dir).absoluteFilePath(page));
    return QUrl::fromLocalFile(QDir(candidates.first()).absoluteFilePath(page));
}

} // namespace links

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::blue);
    setPalette(pal);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(event);
}
