// The print module on its own, on tables the command line never makes: more columns than fit
// the page even at the smallest type (bands), a cell too long for its column (wrapped), and
// payslip file names from whatever a payroll's name and ID columns hold.
#include "TestSupport.h"

#include "print/PayrollPrint.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestPrint : public QObject {
    Q_OBJECT

    static QString Name(int r) { return QStringLiteral("人员%1").arg(r, 3, 10, QLatin1Char('0')); }
    static QString Value(int r, int c) { return QStringLiteral("%1.%2").arg(1000 * r + c).arg(r % 100, 2, 10, QLatin1Char('0')); }

private slots:
    // 24 figure columns under long titles: at 7 pt they still need more than one band. Every
    // page shows every band with its header, each row's name at the head of each band, and
    // all its figures on the same page.
    void bandsKeepEachRowOnItsPage() {
        print::Head head;
        head.title = QStringLiteral("宽表");
        head.columns << QStringLiteral("姓名");
        head.numeric.push_back(false);
        for (int c = 1; c <= 24; ++c) {
            head.columns << QStringLiteral("第%1项很长的栏目标题").arg(c);
            head.numeric.push_back(true);
        }
        print::Payroll payroll(head);
        const int rows = 150;
        for (int r = 0; r < rows; ++r) {
            QStringList cells{Name(r)};
            for (int c = 1; c <= 24; ++c) cells << Value(r, c);
            QVERIFY(payroll.Add(cells));
        }
        payroll.SetTotals({QStringLiteral("合计"), QStringLiteral("999999.99")});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("wide.pdf"));
        const tax::Status written = payroll.TablePdf(path);
        QVERIFY2(written, written ? "" : written.error().c_str());
        const size_t bands = payroll.LastFit().bands.size();
        QVERIFY(bands >= 2);
        QCOMPARE(payroll.LastFit().pointSize, 7.0);
        const QStringList pages = drive::PdfPages(path);
        QCOMPARE(pages.size(), payroll.Pages());
        QVERIFY(pages.size() > 1);
        int next = 0;
        for (int p = 0; p < pages.size(); ++p) {
            const QString& text = pages[p];
            QCOMPARE(text.count(QStringLiteral("姓名")), static_cast<qsizetype>(bands));
            QVERIFY(text.contains(QStringLiteral("第 %1 页 / 共 %2 页").arg(p + 1).arg(pages.size())));
            const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            // The rows of this page, in order, each as often as there are bands.
            const int first = next;
            while (next < rows && words.count(Name(next)) == static_cast<qsizetype>(bands)) ++next;
            QVERIFY2(next > first, qPrintable(QStringLiteral("page %1 holds no whole row").arg(p + 1)));
            for (int r = first; r < next; ++r)
                for (int c = 1; c <= 24; ++c) QVERIFY2(words.contains(Value(r, c)), qPrintable(Value(r, c)));
        }
        QCOMPARE(next, rows);
        QVERIFY(pages.last().contains(QStringLiteral("999999.99")));
    }

    // A note longer than a column may be wraps inside it; none of it is lost, and the rows
    // under it move down rather than over it.
    void longTextWraps() {
        print::Head head;
        head.columns = QStringList{QStringLiteral("姓名"), QStringLiteral("工资"), QStringLiteral("说明")};
        head.numeric = {false, true, false};
        print::Payroll payroll(head);
        QString note;
        for (int i = 0; i < 30; ++i) note += QStringLiteral("第%1段说明文字，").arg(i);
        QVERIFY(payroll.Add({QStringLiteral("甲"), QStringLiteral("100.00"), note}));
        QVERIFY(payroll.Add({QStringLiteral("乙"), QStringLiteral("200.00"), QString()}));
        QTemporaryDir dir;
        QVERIFY(payroll.TablePdf(dir.filePath(QStringLiteral("w.pdf"))));
        QVERIFY(payroll.LastFit().wraps[2]);
        QCOMPARE(payroll.LastFit().pointSize, 10.0);
        const QStringList pages = drive::PdfPages(dir.filePath(QStringLiteral("w.pdf")));
        QCOMPARE(pages.size(), 1);
        QString flat = pages[0];
        flat.remove(QRegularExpression(QStringLiteral("\\s+")));
        flat.remove(QStringLiteral("甲100.00")); // beside the note's middle line
        QVERIFY(flat.contains(QString(note).remove(QLatin1Char(' '))));
        QVERIFY(pages[0].indexOf(QStringLiteral("第29段")) < pages[0].indexOf(QStringLiteral("乙")));
    }

    // Progress comes once before every page, counting up to the page count known in advance;
    // stopping it fails the run and leaves no PDF, not even a scratch file, behind. Stopped
    // while writing one file a person, the whole files written so far stay.
    void progressAndCancel() {
        print::Head head;
        head.columns = QStringList{QStringLiteral("姓名"), QStringLiteral("工资")};
        print::Payroll payroll(head);
        for (int r = 0; r < 300; ++r) QVERIFY(payroll.Add({Name(r), Value(r, 1)}));
        QTemporaryDir dir;
        QList<long long> seen;
        long long total = -1;
        payroll.SetProgress([&](long long done, long long all) {
            seen << done;
            total = all;
            return true;
        });
        QVERIFY(payroll.TablePdf(dir.filePath(QStringLiteral("all.pdf"))));
        QCOMPARE(total, static_cast<long long>(payroll.Pages()));
        QCOMPARE(seen.size(), payroll.Pages());
        for (int i = 0; i < seen.size(); ++i) QCOMPARE(seen[i], static_cast<long long>(i));

        payroll.SetProgress([](long long done, long long) { return done < 2; });
        const tax::Status stopped = payroll.TablePdf(dir.filePath(QStringLiteral("stopped.pdf")));
        QVERIFY(!stopped);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("all.pdf")});
        QVERIFY(!payroll.PayslipFiles(dir.filePath(QStringLiteral("each"))));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("each"))).entryList(QDir::Files).size(), 2);
    }

    void fileNames_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("both") << "A01" << "张三" << "A01-张三.pdf";
        QTest::newRow("name only") << "" << "张三" << "张三.pdf";
        QTest::newRow("neither") << " " << "" << "第7人.pdf";
        QTest::newRow("separators") << "a/b" << "c\\d:e" << "a_b-c_d_e.pdf";
        QTest::newRow("climbing out") << "" << "../../etc" << "_.._etc.pdf";
        QTest::newRow("hidden") << "" << ".profile" << "profile.pdf";
        QTest::newRow("line break") << "" << "张\n三" << "张_三.pdf";
        QTest::newRow("long") << "" << QString(60, QChar(0x5F20)) << QString(40, QChar(0x5F20)) + ".pdf";
    }
    void fileNames() {
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(QString, file);
        QCOMPARE(print::SafeFileName(id, name, 7), file);
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
