// The window reads workbooks through the plugin it loads on first use: the readers and the
// libraries they link (libzip, FreeXL) must resolve inside it.
#include "tools/batch/BatchWorkbook.h"

#include <QtTest>

class TestBookPlugin : public QObject {
    Q_OBJECT
private slots:
    void readsBothKindsThroughThePlugin_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("kind");
        QTest::newRow("xlsx") << "payroll.xlsx" << int(batch::FileKind::kXlsx);
        QTest::newRow("xls") << "payroll.xls" << int(batch::FileKind::kXls);
    }
    void readsBothKindsThroughThePlugin() {
        QFETCH(QString, file);
        QFETCH(int, kind);
        const std::string path = (QStringLiteral(QINGFU_TESTS_DIR "/batch/files/") + file).toStdString();
        auto book = batchbook::OpenBook(path, static_cast<batch::FileKind>(kind));
        QVERIFY2(book.ok(), book.ok() ? "" : book.error().c_str());
        QCOMPARE((*book)->SheetNames(), (std::vector<std::string>{"工资表", "说明"}));
        auto sheet = (*book)->OpenSheet(0);
        QVERIFY(sheet.ok());
        std::vector<std::string_view> cells;
        long long row = 0;
        auto more = (*sheet)->Next(cells, row);
        QVERIFY(more.ok() && *more);
        QCOMPARE(row, 1LL);
        QCOMPARE(std::string(cells.at(0)), std::string("2024年3月工资表"));
    }
    void refusalComesBackAsAMessage() {
        auto book = batchbook::OpenBook(QINGFU_TESTS_DIR "/batch/files/bomb-declared.xlsx", batch::FileKind::kXlsx);
        QVERIFY(!book.ok());
        QVERIFY(QString::fromStdString(book.error()).contains(QStringLiteral("已拒绝读取")));
    }
};

QTEST_GUILESS_MAIN(TestBookPlugin)
#include "tst_bookplugin.moc"
