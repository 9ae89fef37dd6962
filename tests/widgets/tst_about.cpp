// The About window and every web link of the program, which must reach a page of the site
// that ships with it.
#include "TestSupport.h"

#include "framework/CalcPanel.h"
#include "framework/Links.h"
#include "framework/Product.h"
#include "shell/UFrmAbout.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QDir>
#include <QComboBox>
#include <QDirIterator>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <stdexcept>

namespace {

// Records the addresses the program asks to open instead of starting a browser.
struct RecordingOpener {
    RecordingOpener() {
        links::SetOpener([this](const QUrl& url) {
            opened << url;
            return true;
        });
    }
    ~RecordingOpener() { links::SetOpener({}); }
    QList<QUrl> opened;
};

// Opens About from the menu and runs `act` on it while it is shown modally. A watchdog closes
// a window that `act` failed to close, so the test fails instead of hanging.
bool RunAbout(TFrmMain& main, const std::function<void(TFrmAbout*)>& act) {
    bool forced = false;
    QTimer::singleShot(0, &main, [&] {
        auto* about = main.findChild<TFrmAbout*>();
        QVERIFY(about && about->isVisible());
        act(about);
    });
    QTimer::singleShot(5000, &main, [&] {
        if (auto* about = main.findChild<TFrmAbout*>()) {
            forced = true;
            about->reject();
        }
    });
    Child<QAction>(&main, "Menu_Help_About")->trigger();
    return !forced;
}

// The shipped site's page behind an address, or an empty string when it is not a local page.
QString LocalPage(const QUrl& url) {
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drive::SetupApp(); }

    void showsItsLinesCentredOverTheMainWindow() {
        TFrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const bool closed = RunAbout(main, [&](TFrmAbout* about) {
            QCOMPARE(about->parentWidget(), &main);
            QVERIFY(about->isModal());
            QCOMPARE(about->windowTitle(), QStringLiteral("关于 青蚨税算"));
            QCOMPARE(about->size(), QSize(339, 190));
            QCOMPARE(about->minimumSize(), about->maximumSize());
            QCOMPARE(about->palette().color(QPalette::Window), QColor(255, 251, 240));
            // The design's lines and button, where the design puts them, each shown whole.
            const struct {
                const char* name;
                QString text;
                QPoint at;
            } lines[]{
                {"StaticText1", QStringLiteral("版本：青蚨税算v1.00"), {40, 32}},
                {"StaticText2", QStringLiteral("QQ：") + product::kContactQQ, {40, 64}},
                {"StaticText3", QStringLiteral("官网："), {40, 96}},
            };
            for (const auto& line : lines) {
                auto* label = Child<QLabel>(about, line.name);
                QCOMPARE(label->text(), line.text);
                QCOMPARE(label->pos(), line.at);
                QVERIFY2(label->width() >= label->sizeHint().width(), line.name);
            }
            auto* link = Child<TLinkLabel>(about, "TxtHomePage");
            // The shipped copy is named in words, not by its path; its address, a file URL, is the
            // tooltip, and it is the address the link opens.
            QVERIFY(!link->text().isEmpty());
            QVERIFY2(!link->text().contains(QLatin1Char('/')), qPrintable(link->text()));
            QVERIFY(link->toolTip().startsWith(QLatin1String("file:///")));
            QCOMPARE(QUrl(link->toolTip()), links::SiteAddress());
            QCOMPARE(link->pos(), QPoint(80, 96));
            QVERIFY(link->width() >= link->sizeHint().width());
            QVERIFY(about->rect().contains(link->geometry())); // shortened, never clipped
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QVERIFY(!link->font().underline());
            auto* ok = Child<QPushButton>(about, "BtnOk");
            QCOMPARE(ok->text(), QStringLiteral("确定"));
            QCOMPARE(ok->geometry(), QRect(224, 144, 75, 25));
            // Nothing overlaps, nothing leaves the window.
            const QList<QWidget*> parts{Child<QWidget>(about, "StaticText1"), Child<QWidget>(about, "StaticText2"),
                                        Child<QWidget>(about, "StaticText3"), link, ok};
            for (QWidget* a : parts) {
                QVERIFY2(about->rect().contains(a->geometry()), qPrintable(a->objectName()));
                for (QWidget* b : parts)
                    QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " over " + b->objectName()));
            }
            // Only the button takes the focus.
            QList<QWidget*> focusable;
            for (QWidget* w : about->findChildren<QWidget*>())
                if (w->focusPolicy() != Qt::NoFocus) focusable << w;
            QCOMPARE(focusable, QList<QWidget*>{ok});
            QTRY_COMPARE(QApplication::focusWidget(), ok);
            const QPoint offset = about->frameGeometry().center() - main.frameGeometry().center();
            QVERIFY2(offset.manhattanLength() <= 4,
                     qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
            about->reject();
        });
        QVERIFY(closed);
    }

    void closesAndIsGone_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "esc";
        QTest::newRow("Enter on the only focused control") << "enter";
        QTest::newRow("click on 确定") << "ok";
        QTest::newRow("close button of the title bar") << "close";
    }
    void closesAndIsGone() {
        QFETCH(QString, how);
        TFrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QPointer<TFrmAbout> shown;
        const bool closed = RunAbout(main, [&](TFrmAbout* about) {
            shown = about;
            // Keys go where the focus is, as they do for a person at the keyboard.
            QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(about, "BtnOk"));
            if (how == "esc")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            else if (how == "enter")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else if (how == "ok")
                QTest::mouseClick(Child<QPushButton>(about, "BtnOk"), Qt::LeftButton);
            else
                about->close();
        });
        QVERIFY(closed);
        // Made for one showing: nothing of it stays with the main window.
        QVERIFY(shown.isNull());
        QVERIFY(main.findChildren<TFrmAbout*>().isEmpty());
    }

    void linkOpensTheSiteAndLeavesAboutOpen() {
        TFrmMain main;
        main.show();
        RecordingOpener opener;
        bool stillOpen = false;
        const bool closed = RunAbout(main, [&](TFrmAbout* about) {
            QTest::mouseClick(Child<TLinkLabel>(about, "TxtHomePage"), Qt::LeftButton);
            QCoreApplication::processEvents();
            stillOpen = about->isVisible();
            about->accept();
        });
        QVERIFY(closed);
        QVERIFY(stillOpen);
        QCOMPARE(opener.opened, QList<QUrl>{links::SiteAddress()});
    }

    // A link no browser opens is told in a box naming the page; nothing else changes.
    void failingOpenerChangesNothing_data() {
        QTest::addColumn<bool>("throws");
        QTest::newRow("opener reports failure") << false;
        QTest::newRow("opener throws") << true;
    }
    void failingOpenerChangesNothing() {
        QFETCH(bool, throws);
        RecordingDialogs dialogs;
        int calls = 0;
        links::SetOpener([&](const QUrl&) -> bool {
            ++calls;
            if (throws) throw std::runtime_error("no browser");
            return false;
        });
        TFrmMain main;
        main.show();
        drive::ChooseRow(main, 2);
        QPointer<TCalcPanel> panel = main.currentPanel();
        Child<QAction>(&main, "Menu_Help_Home")->trigger();
        bool stillOpen = false;
        QVERIFY(RunAbout(main, [&](TFrmAbout* about) {
            QTest::mouseClick(Child<TLinkLabel>(about, "TxtHomePage"), Qt::LeftButton);
            stillOpen = about->isVisible();
            about->accept();
        }));
        links::SetOpener({});
        QCOMPARE(calls, 2);
        QVERIFY(stillOpen);
        QCOMPARE(dialogs.boxes.size(), 2);
        for (const RecordingDialogs::Box& box : dialogs.boxes)
            QVERIFY(box.text.endsWith(QDir::toNativeSeparators(links::SiteAddress().toLocalFile())));
        QVERIFY(main.isVisible());
        QCOMPARE(main.currentPanel(), panel.data());
        QCOMPARE(Child<QComboBox>(&main, "CmbType")->currentIndex(), 2);
        // The program goes on working: the list still switches panels.
        drive::ChooseRow(main, 0);
        QVERIFY(panel.isNull());
    }

    void everyLinkReachesAPageOfTheShippedSite() {
        TFrmMain main;
        main.show();
        RecordingOpener opener;
        Child<QAction>(&main, "Menu_Help_Home")->trigger();
        QVERIFY(RunAbout(main, [&](TFrmAbout* about) {
            QTest::mouseClick(Child<TLinkLabel>(about, "TxtHomePage"), Qt::LeftButton);
            about->accept();
        }));
        QCOMPARE(opener.opened.size(), 2);
        const QList<QPair<QUrl, QString>> links{
            {opener.opened[0], "index.html"},
            {opener.opened[1], "index.html"},
            {links::SiteAddress("online/index.html"), "online/index.html"},
            {links::SiteAddress("online/001.html"), "online/001.html"},
        };
        const QString hosted = QStringLiteral(QINGFU_SITE_URL);
        for (const auto& [url, page] : links) {
            if (!hosted.isEmpty()) {
                // A packager's hosted site: the home is its directory address, the pages below it.
                const QString base = hosted.endsWith('/') ? hosted : hosted + '/';
                QCOMPARE(url.toString(), page == "index.html" ? base : base + page);
                continue;
            }
            const QString file = LocalPage(url);
            QVERIFY2(file.endsWith("/site/" + page), qPrintable(url.toString()));
            // A file, never a directory: a directory address would show a file listing.
            QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));
        }
    }

    void siteIsWholeOfflineAndShowsTheProductFacts() {
        const QString home = LocalPage(links::SiteAddress());
        if (home.isEmpty()) QSKIP("the links point at a hosted site");
        const QString root = QFileInfo(home).absolutePath();
        QStringList pages;
        for (QDirIterator it(root, {"*.html"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            pages << it.next();
        QCOMPARE(pages.size(), 4);
        const QRegularExpression reference(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
        for (const QString& page : pages) {
            QFile file(page);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            QVERIFY2(html.contains("<meta charset=\"utf-8\">"), qPrintable(page));
            // Every link and style sheet is a file of the site itself, so nothing needs a network.
            for (const QRegularExpressionMatch& m : reference.globalMatch(html)) {
                const QString target = m.captured(1).section('#', 0, 0);
                QVERIFY2(!target.contains(':') && !target.startsWith('/'), qPrintable(page + ": " + target));
                const QString path = QFileInfo(page).dir().filePath(target);
                QVERIFY2(QFileInfo(path).isFile(), qPrintable(page + ": " + target));
                QVERIFY2(QFileInfo(path).canonicalFilePath().startsWith(QFileInfo(root).canonicalFilePath()),
                         qPrintable(page + ": " + target));
            }
            // The version and the contact number are those the program shows.
            QVERIFY2(html.contains(product::kTitle + 'v' + product::kVersion), qPrintable(page));
            QVERIFY2(html.contains(QStringLiteral("QQ：") + product::kContactQQ), qPrintable(page));
        }
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
