#include "framework/Windows.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace windows {

namespace {

// The frame's top-left for a window of `frame` size centred on `over`, kept on `area`.
QPoint Placed(const QSize& frame, const QRect& over, const QRect& area) {
    QPoint at = over.center() - QPoint(frame.width() / 2, frame.height() / 2);
    // The right and bottom edges are pulled in first, so the top-left wins when both cannot hold.
    at.setX(qMax(area.left(), qMin(at.x(), area.right() + 1 - frame.width())));
    at.setY(qMax(area.top(), qMin(at.y(), area.bottom() + 1 - frame.height())));
    return at;
}

void PlaceNow(QWidget* window) {
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    QScreen* screen = parent && parent->isVisible() ? parent->screen() : window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect over = parent && parent->isVisible() ? parent->frameGeometry() : area;
    // Before the first showing the frame is not known yet; move() places the frame's top-left
    // whatever it turns out to be, so the title bar lands at or below the area's top.
    window->move(Placed(window->frameGeometry().size(), over, area));
}

// Once a window manager has framed the window, its title bar may still stand above the area:
// some managers keep the client where it was asked to be and grow the frame upwards. The frame
// is known only some time after showing, so it is looked at again then.
void KeepFrameOnArea(QWidget* window) {
    if (!window->isVisible() || window->frameGeometry() == window->geometry()) return;
    QScreen* screen = window->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    if (frame.top() >= area.top() && frame.left() >= area.left()) return;
    window->move(qMax(frame.left(), area.left()), qMax(frame.top(), area.top()));
}

void PlaceShown(QWidget* window) {
    PlaceNow(window);
    for (int ms : {100, 500, 1500})
        QTimer::singleShot(ms, window, [window] { KeepFrameOnArea(window); });
}

// Places its window once, when Qt is about to show it for the first time: only then is its
// size final (a dialog sizes itself on showing).
class FirstShow : public QObject {
public:
    explicit FirstShow(QWidget* window) : QObject(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched == parent()) {
            watched->removeEventFilter(this);
            PlaceShown(static_cast<QWidget*>(watched));
            deleteLater();
        }
        return false;
    }
};

} // namespace

void PlaceOnScreen(QWidget* window) {
    if (window->isVisible()) {
        PlaceShown(window);
        return;
    }
    window->installEventFilter(new FirstShow(window));
}

} // namespace windows
