#pragma once
// Web links: the product's site and its help pages, opened in the user's browser.

#include <QLabel>
#include <QUrl>
#include <functional>

namespace links {

// Asks the desktop to open an address. When nothing can open it, a box says so and gives the
// address; the program carries on either way.
void Open(const QUrl& address);

// Replaces how addresses are opened (tests); an empty function brings back the desktop's.
using Opener = std::function<bool(const QUrl&)>;
void SetOpener(Opener opener);

// An address on the product's web site; an empty path gives the home page, and a path may end
// in "#part" for a part of a page.
QUrl SiteAddress(const QString& path = {});

} // namespace links

// A static text that acts as a link: blue, hand cursor, `clicked` on a left click.
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    TLinkLabel(const QString& text, QWidget* parent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
