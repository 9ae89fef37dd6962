#include "framework/Links.h"

#include "framework/Dialogs.h"
#include "framework/Product.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

namespace links {

namespace {
Opener gOpener;
} // namespace

void Open(const QUrl& address) {
    bool opened = false;
    try {
        opened = gOpener ? gOpener(address) : QDesktopServices::openUrl(address);
    } catch (...) {
        opened = false;
    }
    if (opened) return;
    // Said in a box with the address, so the person can open the page another way.
    const QString where = address.isLocalFile() ? QDir::toNativeSeparators(address.toLocalFile())
                                                : address.toString();
    dialogs::Current().Message(QApplication::activeWindow(), product::kTitle,
                               QStringLiteral("无法打开浏览器显示这一页。\n请自行在浏览器中打开：\n%1").arg(where),
                               QMessageBox::Information);
}

void SetOpener(Opener opener) {
    gOpener = std::move(opener);
}

QUrl SiteAddress(const QString& path) {
    const QString base = QStringLiteral(QINGFU_SITE_URL);
    // A hosted site serves its home page at the bare directory address.
    if (!base.isEmpty()) return QUrl(base.endsWith('/') ? base + path : base + '/' + path);
    // A local directory address would show a file listing, so the home page is named.
    const qsizetype hash = path.indexOf(QLatin1Char('#'));
    const QString fragment = hash < 0 ? QString() : path.mid(hash + 1);
    const QString file = hash < 0 ? path : path.left(hash);
    const QString page = file.isEmpty() ? QStringLiteral("index.html") : file;
    auto local = [&fragment](const QString& name) {
        QUrl url = QUrl::fromLocalFile(QDir::cleanPath(name));
        if (!fragment.isEmpty()) url.setFragment(fragment);
        return url;
    };
    // The copy of the site that ships with the program: beside it in the build tree, under
    // share/ when installed, and one level up for the test programs in the build tree.
    const QDir appDir(QCoreApplication::applicationDirPath());
    const QStringList candidates{appDir.filePath(QStringLiteral("site")),
                                 appDir.filePath(QStringLiteral("../share/qingfu/site")),
                                 appDir.filePath(QStringLiteral("../site"))};
    for (const QString& dir : candidates)
        if (QFileInfo::exists(QDir(dir).filePath(QStringLiteral("index.html"))))
            return local(QDir(dir).absoluteFilePath(page));
    return local(QDir(candidates.first()).absoluteFilePath(page));
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
