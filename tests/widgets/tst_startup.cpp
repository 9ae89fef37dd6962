// What the start-up work must keep showing while it is made cheaper: the icon as drawn in
// qingfu.svg, Qt's own dialogs in Chinese, and fonts that draw Chinese.
#include "TestSupport.h"

#include "framework/Fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QResource>
#include <QSvgRenderer>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drive::SetupApp(); }

    void iconRenditionsMatchTheSvg_data() {
        QTest::addColumn<int>("size");
        for (int size : {16, 32, 64, 128})
            QTest::addRow("%dpx rendition", size) << size;
    }
    void iconRenditionsMatchTheSvg() {
        QFETCH(int, size);
        QSvgRenderer svg(QStringLiteral(":/qingfu.svg"));
        QVERIFY(svg.isValid());
        QImage drawn(size, size, QImage::Format_RGBA8888_Premultiplied);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        svg.render(&painter);
        painter.end();

        const QIcon icon = QApplication::windowIcon();
        QVERIFY(icon.availableSizes().contains(QSize(size, size)));
        const QImage shown =
            icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        QCOMPARE(shown.size(), QSize(size, size));
        int worst = 0, opaque = 0;
        for (int y = 0; y < size; ++y) {
            const uchar* a = drawn.constScanLine(y);
            const uchar* b = shown.constScanLine(y);
            for (int x = 0; x < size * 4; ++x)
                worst = std::max(worst, std::abs(int(a[x]) - int(b[x])));
            for (int x = 3; x < size * 4; x += 4)
                opaque += b[x] == 255;
        }
        QVERIFY2(worst <= 2, qPrintable(QStringLiteral("a channel differs by %1").arg(worst)));
        QVERIFY(opaque > size * size / 2); // the tile, not an empty picture
    }

    void windowIconOffersExactlyTheRenditions() {
        QList<QSize> sizes = QApplication::windowIcon().availableSizes();
        std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
        QCOMPARE(sizes, QList<QSize>({{16, 16}, {32, 32}, {64, 64}, {128, 128}}));
    }

    void qtDialogsSpeakChinese_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("OK") << int(QMessageBox::Ok) << QStringLiteral("确定");
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QStringLiteral("取消");
        QTest::newRow("Save") << int(QMessageBox::Save) << QStringLiteral("保存");
    }
    void qtDialogsSpeakChinese() {
        QFETCH(int, button);
        QFETCH(QString, text);
        QMessageBox box;
        box.setStandardButtons(QMessageBox::StandardButton(button));
        QCOMPARE(box.button(QMessageBox::StandardButton(button))
                     ->text()
                     .remove(QLatin1Char('&'))
                     .left(text.size()),
                 text);
    }

    void fontsDrawChinese_data() {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("bold");
        QTest::newRow("captions and results") << fonts::Ui() << 12 << false;
        QTest::newRow("bold captions") << fonts::Ui(true) << 12 << true;
        QTest::newRow("amount fields and lists") << fonts::Field() << 15 << false;
        QTest::newRow("application default") << QApplication::font() << 12 << false;
    }
    void fontsDrawChinese() {
        QFETCH(QFont, font);
        QFETCH(int, pixels);
        QFETCH(bool, bold);
        const QFontInfo info(font);
        QCOMPARE(info.pixelSize(), pixels);
        QCOMPARE(info.bold(), bold);
        // The font itself has the Chinese glyphs; no fallback search is needed to draw them.
        QVERIFY2(QFontDatabase::writingSystems(info.family()).contains(QFontDatabase::SimplifiedChinese),
                 qPrintable(info.family()));
        QVERIFY(QFontMetrics(font).inFontUcs4(U'税'));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
