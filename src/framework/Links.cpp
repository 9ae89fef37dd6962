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
    // A hosted site serves its home page at the bare directory address.
    if (!base.isEmpty()) return QUrl(base.endsWith('/') ? base + path : base + '/' + path);
    // A local directory address would show a file listing, so the home page is named.
    const QString page = path.isEmpty() ? QStringLiteral("index.html") : path;
    // The copy of the site that ships with the program: beside it in the build tree, under
    // share/ when installed, and one level up for the test programs in the build tree.
    const QDir appDir(QCoreApplication::applicationDirPath());
    const QStringList candidates{appDir.filePath(QStringLiteral("site")),
                                 appDir.filePath(QStringLiteral("../share/qingfu/site")),
                                 appDir.filePath(QStringLiteral("../site"))};
    for (const QString& dir : candidates)
        if (QFileInfo::exists(QDir(dir).filePath(QStringLiteral("index.html"))))
            return QUrl::fromLocalFile(QDir::cleanPath(QDir(dir).absoluteFilePath(page)));
    return QUrl::fromLocalFile(QDir::cleanPath(QDir(candidates.first()).absoluteFilePath(page)));
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
