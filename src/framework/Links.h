#pragma once
// Web links: the product's site and its help pages, opened in the user's browser.

#include <QLabel>
#include <QUrl>
#include <functional>

namespace links {

// Asks the desktop to open an address. Whatever goes wrong, nothing is shown and the
// program carries on.
void Open(const QUrl& address);

// Replaces how addresses are opened (tests); an empty function brings back the desktop's.
using Opener = std::function<bool(const QUrl&)>;
void SetOpener(Opener opener);

// An address on the product's web site; an empty path gives the home page.
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
