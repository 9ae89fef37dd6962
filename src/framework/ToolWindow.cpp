#include "framework/ToolWindow.h"

#include "framework/Links.h"
#include "framework/Settings.h"
#include "framework/Windows.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace toolwindow {

namespace {

QString Entry(const QString& key, const char* what) {
    return QStringLiteral("windows/%1/%2").arg(key, QLatin1String(what));
}

// The frame a window manager will add, guessed before the first showing from the parent's.
QMargins GuessedMargins(const QWidget* window) {
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (!parent || !parent->isVisible()) return {};
    const QRect frame = parent->frameGeometry(), client = parent->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

QSize Across(const QMargins& m) {
    return QSize(m.left() + m.right(), m.top() + m.bottom());
}

QRect AreaFor(const QWidget* window, const QPoint* at = nullptr) {
    QScreen* screen = at ? QGuiApplication::screenAt(*at) : nullptr;
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (!screen && parent && parent->isVisible()) screen = parent->screen();
    if (!screen) screen = window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Sizes and places its window at the first showing, and writes down where it was each time
// it goes (hidden, closed, or still open when the program ends).
class Keeper : public QObject {
public:
    Keeper(QWidget* window, QString key, QSize preferred)
        : QObject(window), window_(window), key_(std::move(key)), preferred_(preferred) {
        window->installEventFilter(this);
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
            if (window_ && window_->isVisible()) Save();
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) return false;
        // Esc reaches the window only when no control kept it (a cell being typed or an open
        // list gives it up to cancel itself first), as it reaches a dialog.
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) return false;
            window_->close();
            return true;
        }
        if (event->type() == QEvent::Show && !shown_) {
            shown_ = true;
            Restore();
        } else if (event->type() == QEvent::Hide && shown_) {
            Save();
        }
        return false;
    }

private:
    void Restore() {
        QSettings store = settings::Store();
        const QSize minimum = window_->minimumSize().expandedTo(window_->minimumSizeHint());
        const QMargins margins = GuessedMargins(window_);
        // The client area is what is kept: where a window manager puts its frame around a
        // requested place differs between managers, the client's place does not.
        const QRect remembered = store.value(Entry(key_, "geometry")).toRect();
        const QSize wanted = remembered.isValid() ? remembered.size() : preferred_;
        if (remembered.isValid()) {
            const QPoint at = remembered.topLeft();
            const QRect client(at, Fitted(wanted, minimum, Across(margins), AreaFor(window_, &at)));
            if (OnSomeScreen(client.marginsAdded(margins))) {
                window_->setGeometry(client);
                if (store.value(Entry(key_, "maximized")).toBool()) window_->setWindowState(Qt::WindowMaximized);
                return;
            }
        }
        // First time, or the screen it was on is gone: on this screen, over the main window.
        window_->resize(Fitted(wanted, minimum, Across(margins), AreaFor(window_)));
        windows::PlaceOnScreen(window_);
    }

    void Save() {
        QSettings store = settings::Store();
        const bool maximized = window_->isMaximized();
        store.setValue(Entry(key_, "geometry"), maximized ? window_->normalGeometry() : window_->geometry());
        store.setValue(Entry(key_, "maximized"), maximized);
    }

    QPointer<QWidget> window_;
    QString key_;
    QSize preferred_;
    bool shown_ = false;
};

QAction* Shortcut(QWidget* window, const char* name, const QList<QKeySequence>& keys) {
    auto* action = new QAction(window);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

} // namespace

QSize Fitted(const QSize& wanted, const QSize& minimum, const QSize& margins, const QRect& area) {
    const QSize room = area.size() - margins;
    return wanted.boundedTo(room).expandedTo(minimum);
}

bool OnSomeScreen(const QRect& frame) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(frame)) return true;
    return false;
}

void Setup(QWidget* window, const QString& key, const QSize& preferred, const QString& helpPage) {
    window->setProperty(kKey, key);
    window->setProperty(kPreferredSize, preferred);
    new Keeper(window, key, preferred);
    // Before the first showing the window already has a size that fits where it will open.
    window->resize(Fitted(preferred, window->minimumSizeHint(), Across(GuessedMargins(window)), AreaFor(window)));

    QAction* close = Shortcut(window, "ActClose", {QKeySequence(Qt::CTRL | Qt::Key_W)});
    close->setText(QStringLiteral("关闭(&C)"));
    QObject::connect(close, &QAction::triggered, window, &QWidget::close);
    QAction* help = Shortcut(window, "ActHelp", {QKeySequence(QKeySequence::HelpContents)});
    help->setText(QStringLiteral("帮助(&H)"));
    QObject::connect(help, &QAction::triggered, window, [helpPage] { links::Open(links::SiteAddress(helpPage)); });
}

} // namespace toolwindow
