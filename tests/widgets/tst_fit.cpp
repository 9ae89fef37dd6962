// Every tool window on whatever screen the test is given (ctest runs this program at 800×600,
// at 1920×1080, and at 1920×1080 scaled twice): it opens wholly on the available area, can be
// made smaller than the area, and comes back where it was left only while that is on a screen.
// The windows are the ones the tool menu opens, so a new one is checked as soon as it is there.
#include "TestSupport.h"

#include "framework/Settings.h"
#include "framework/ToolWindow.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QMenu>
#include <QScreen>

namespace {

QRect Area() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// The tool menu's items that open a window (the stay-on-top switch is the checkable one).
QStringList ToolActions() {
    TFrmMain main;
    QStringList names;
    for (QAction* a : main.findChild<QMenu*>(QStringLiteral("N2"))->actions())
        if (!a->isSeparator() && !a->isCheckable()) names << a->objectName();
    return names;
}

// The window the menu item opens: the one of the main window's that shows now and did not before.
QWidget* Open(TFrmMain& main, const QString& action) {
    auto shown = [&main] {
        QList<QWidget*> windows;
        for (QWidget* w : main.findChildren<QWidget*>())
            if (w->isWindow() && w->isVisible()) windows << w;
        return windows;
    };
    const QList<QWidget*> before = shown();
    main.findChild<QAction*>(action)->trigger();
    for (QWidget* w : shown())
        if (!before.contains(w)) {
            if (!QTest::qWaitForWindowExposed(w)) qWarning("%s not exposed", qPrintable(action));
            return w;
        }
    qWarning("%s opens no window", qPrintable(action));
    return nullptr;
}

// The room a window manager's frame may take around a window (title bar and borders).
const QSize kFrameRoom(16, 48);

// The size a window asked to be `wanted` may have on the area: no larger than the area less its
// frame, no smaller than the window can be.
QSize Expected(const QWidget* tool, const QSize& wanted) {
    const QSize frame = tool->frameGeometry().size() - tool->size();
    return wanted.boundedTo(Area().size() - frame).expandedTo(tool->minimumSize());
}

} // namespace

class TestFit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        drive::SetupApp();
        qInfo("screen %dx%d, scale %g", Area().width(), Area().height(),
              QGuiApplication::primaryScreen()->devicePixelRatio());
        QVERIFY(ToolActions().size() >= 2);
    }
    void init() { settings::Store().clear(); }

    void tools_data() {
        QTest::addColumn<QString>("action");
        for (const QString& action : ToolActions())
            QTest::newRow(qPrintable(action)) << action;
    }

    // First showing: the whole frame on the area, at the window's own size where that fits;
    // the smallest it can be made, frame included, fits the area too, and every part of it is
    // then still inside the window.
    // The main window on a screen too short for its panels (1920×1080 at twice the scale leaves
    // 540 points): the window and its status line stay on the area, the panel scrolls instead.
    void mainWindowFitsTheArea() {
        TFrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const QRect area = Area();
        const QRect frame = main.frameGeometry();
        QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("frame %1,%2 %3×%4")
                                                      .arg(frame.x())
                                                      .arg(frame.y())
                                                      .arg(frame.width())
                                                      .arg(frame.height())));
        auto* status = main.findChild<QWidget*>(QStringLiteral("StatusBar1"));
        QVERIFY(status && status->isVisible());
        QVERIFY(area.contains(QRect(status->mapToGlobal(QPoint(0, 0)), status->size())));
        // Every row's panel can still be reached whole: the area it is shown in is its full size.
        auto* panel = main.findChild<QWidget*>(QStringLiteral("Panel1"));
        QVERIFY(panel && panel->height() >= 461);
    }

    void opensOnTheAreaAndShrinks_data() { tools_data(); }
    void opensOnTheAreaAndShrinks() {
        QFETCH(QString, action);
        RecordingDialogs dialogs;
        TFrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QWidget* tool = Open(main, action);
        QVERIFY(tool);
        const QRect area = Area();
        const QRect frame = tool->frameGeometry();
        QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("frame %1,%2 %3×%4")
                                                      .arg(frame.x())
                                                      .arg(frame.y())
                                                      .arg(frame.width())
                                                      .arg(frame.height())));
        QCOMPARE(tool->size(), Expected(tool, tool->property(toolwindow::kPreferredSize).toSize()));
        const QSize least = tool->minimumSize().expandedTo(tool->minimumSizeHint());
        QVERIFY2(least.width() + kFrameRoom.width() <= qMin(area.width(), 800) &&
                     least.height() + kFrameRoom.height() <= qMin(area.height(), 540),
                 qPrintable(QStringLiteral("minimum %1×%2").arg(least.width()).arg(least.height())));
        tool->resize(least);
        QTest::qWait(20);
        for (QWidget* part : tool->findChildren<QWidget*>()) {
            if (!part->isVisibleTo(tool) || part->parentWidget() != tool) continue;
            QVERIFY2(tool->rect().contains(part->geometry()), qPrintable(part->objectName()));
        }
        QVERIFY(tool->close() || !dialogs.questions.isEmpty());
    }

    // Left somewhere on the screen at some size, the window opens there at that size in the
    // next run (a new main window stands for it).
    void rememberedPlaceComesBack_data() { tools_data(); }
    void rememberedPlaceComesBack() {
        QFETCH(QString, action);
        const QRect area = Area();
        QSize size;
        {
            TFrmMain main;
            main.show();
            QWidget* tool = Open(main, action);
            size = tool->minimumSize().expandedTo(tool->minimumSizeHint()) + QSize(20, 10);
            tool->resize(size);
            tool->move(area.topLeft() + QPoint(30, 20));
            tool->close();
        }
        TFrmMain main;
        main.show();
        QWidget* tool = Open(main, action);
        QCOMPARE(tool->pos(), area.topLeft() + QPoint(30, 20));
        QCOMPARE(tool->size(), size);
        tool->close();
    }

    // A place that is no longer on a screen (a second screen unplugged, a smaller screen, or a
    // window left half off the edge) is not used: the window opens on the area, no larger than it.
    void placeOffTheScreenIsNotUsed_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QPoint>("place");
        QTest::addColumn<QSize>("size");
        const QRect area = Area();
        for (const QString& action : ToolActions()) {
            const QByteArray name = action.toLatin1();
            QTest::newRow(name + " right of the screen") << action << QPoint(area.right() + 200, 100) << QSize(700, 500);
            QTest::newRow(name + " above it") << action << QPoint(40, area.top() - 900) << QSize(500, 400);
            QTest::newRow(name + " half off") << action << QPoint(area.right() - 150, 50) << QSize(500, 400);
            QTest::newRow(name + " larger than it") << action << area.topLeft() << QSize(4000, 3000);
        }
    }
    void placeOffTheScreenIsNotUsed() {
        QFETCH(QString, action);
        QFETCH(QPoint, place);
        QFETCH(QSize, size);
        QString key;
        {
            TFrmMain main;
            QWidget* tool = Open(main, action);
            key = tool->property(toolwindow::kKey).toString();
            tool->hide();
        }
        QVERIFY(!key.isEmpty());
        settings::Store().setValue(QStringLiteral("windows/%1/geometry").arg(key), QRect(place, size));
        QVERIFY(!toolwindow::OnSomeScreen(QRect(place, size)));
        TFrmMain main;
        main.show();
        QWidget* tool = Open(main, action);
        QVERIFY(Area().contains(tool->frameGeometry()));
        QCOMPARE(tool->size(), Expected(tool, size));
        tool->close();
    }
};

QTEST_MAIN(TestFit)
#include "tst_fit.moc"
