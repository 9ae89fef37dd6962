// 新旧税制对比, opened from the tool menu and driven by typing: each law's row shows what the
// comparison core gives (whose rows the core's tests hold to each law's calculator).
#include "TestSupport.h"

#include "framework/Fields.h"
#include "framework/Messages.h"
#include "shell/UMainForm.h"
#include "tax/Amount.h"
#include "tax/LawCompare.h"

#include <QAction>
#include <QLabel>
#include <QApplication>
#include <QClipboard>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolTip>
#include <QTableWidget>

class TestCompare : public QObject {
    Q_OBJECT

    static QWidget* Open(TFrmMain& main) {
        Child<QAction>(&main, "Menu_Tool_Compare")->trigger();
        return main.findChild<QWidget*>(QStringLiteral("FrmCompare"));
    }

private slots:
    void initTestCase() { drive::SetupApp(); }

    void Figures_data() {
        QTest::addColumn<QString>("wage");
        QTest::addColumn<QString>("safe");
        QTest::addColumn<QString>("bonus");
        QTest::newRow("20000 and a bonus") << "20000" << "2000" << "60000";
        QTest::newRow("below every allowance, no bonus") << "3000" << "" << "";
        QTest::newRow("a bonus larger than the shortfall") << "4000" << "500" << "36001";
    }
    void Figures() {
        QFETCH(QString, wage);
        QFETCH(QString, safe);
        QFETCH(QString, bonus);
        TFrmMain main;
        Child<QAction>(&main, "Menu_Tool_Compare")->trigger();
        auto* window = main.findChild<QWidget*>(QStringLiteral("FrmCompare"));
        QVERIFY(window && window->isVisible());
        QVERIFY(window->findChild<QWidget*>(QStringLiteral("LawsChart")));
        drive::Retype(Child<QLineEdit>(window, "EditWage"), wage);
        drive::Retype(Child<QLineEdit>(window, "EditSafe"), safe);
        drive::Retype(Child<QLineEdit>(window, "EditBonus"), bonus);

        auto amount = [](const QString& t) { return t.isEmpty() ? tax::Decimal() : *tax::ParseAmount(t.toStdString()); };
        const auto want = tax::compare::Compare({amount(wage), amount(safe), amount(bonus)});
        auto* grid = Child<QTableWidget>(window, "GridLaws");
        QCOMPARE(grid->rowCount(), static_cast<int>(want.size()));
        for (int r = 0; r < grid->rowCount(); ++r) {
            const tax::compare::LawYear& y = want[static_cast<size_t>(r)];
            QCOMPARE(grid->item(r, 0)->text(), QString::fromUtf8(tax::compare::LawName(y.law)));
            QCOMPARE(grid->item(r, 3)->text(), fields::Money(y.tax));
            QCOMPARE(grid->item(r, 4)->text(), fields::Money(y.takeHome));
            if (r > 0) QVERIFY(grid->item(r, 5)->text().endsWith(fields::Money(y.change).remove('-')));
        }
    }

    // A refusal names the field and what is wrong in the planning window's words, clears the
    // table, and goes when the field is mended; nothing waits for Enter.
    void Refusals() {
        TFrmMain main;
        QWidget* window = Open(main);
        drive::Retype(Child<QLineEdit>(window, "EditWage"), QStringLiteral("10000"));
        QCOMPARE(Child<QTableWidget>(window, "GridLaws")->rowCount(), 5);
        drive::Retype(Child<QLineEdit>(window, "EditBonus"), QStringLiteral("-1"));
        QCOMPARE(drive::TextOf(window, "TxtInfo_3"), QStringLiteral("年终奖不能为负数"));
        QCOMPARE(Child<QTableWidget>(window, "GridLaws")->rowCount(), 0);
        drive::Retype(Child<QLineEdit>(window, "EditSafe"), QStringLiteral("-1"));
        QCOMPARE(drive::TextOf(window, "TxtInfo_2"), QStringLiteral("五险一金不能为负数"));
        drive::Retype(Child<QLineEdit>(window, "EditExtra"), QStringLiteral("abc"));
        QCOMPARE(drive::TextOf(window, "TxtInfo_4"),
                 QStringLiteral("专项附加扣除不是金额：请输入数字，如 300000 或 300,000.00"));
        drive::Retype(Child<QLineEdit>(window, "EditWage"), QStringLiteral("12345678901234567890123456789012345678"));
        QCOMPARE(drive::TextOf(window, "TxtInfo_1"), QStringLiteral("月工资过大，不能大于 1000000000000000.00 元"));
        for (const char* field : {"EditWage", "EditSafe", "EditExtra", "EditBonus"})
            drive::Retype(Child<QLineEdit>(window, field), QStringLiteral("１,０００元"));
        for (const char* info : {"TxtInfo_1", "TxtInfo_2", "TxtInfo_3", "TxtInfo_4"}) QCOMPARE(drive::TextOf(window, info), QString());
        QCOMPARE(Child<QTableWidget>(window, "GridLaws")->rowCount(), 5);
    }

    // 2000 a month of special additional deductions: the 2019 rows lose 12 × 2000 of taxable
    // income (6180.00 → 3780.00 at 10%), the laws before 2019 had none and do not move.
    void SpecialAdditionalDeductions() {
        TFrmMain main;
        QWidget* window = Open(main);
        auto* grid = Child<QTableWidget>(window, "GridLaws");
        drive::Retype(Child<QLineEdit>(window, "EditWage"), QStringLiteral("13000"));
        drive::Retype(Child<QLineEdit>(window, "EditSafe"), QStringLiteral("750"));
        drive::Retype(Child<QLineEdit>(window, "EditBonus"), QString());
        drive::Retype(Child<QLineEdit>(window, "EditExtra"), QString());
        QCOMPARE(grid->item(3, 3)->text(), QStringLiteral("6180.00"));
        QStringList before;
        for (int r = 0; r < 3; ++r) before << grid->item(r, 3)->text();
        drive::Retype(Child<QLineEdit>(window, "EditExtra"), QStringLiteral("2000"));
        QCOMPARE(grid->item(3, 3)->text(), QStringLiteral("3780.00"));
        QCOMPARE(grid->item(4, 3)->text(), QStringLiteral("3780.00"));
        for (int r = 0; r < 3; ++r) QCOMPARE(grid->item(r, 3)->text(), before[r]);
        QVERIFY(Child<QLineEdit>(window, "EditExtra")->toolTip().contains(QStringLiteral("2019年起才有")));
    }

    // Without deductions or a bonus the 2018 rules and both 2019 ones tax every wage alike: the
    // three lines are one, and the legend says so rather than hiding two of them. Deductions
    // part them again.
    void LegendSaysWhyLinesCoincide() {
        TFrmMain main;
        QWidget* window = Open(main);
        drive::Retype(Child<QLineEdit>(window, "EditWage"), QStringLiteral("13000"));
        drive::Retype(Child<QLineEdit>(window, "EditSafe"), QStringLiteral("750"));
        drive::Retype(Child<QLineEdit>(window, "EditExtra"), QString());
        drive::Retype(Child<QLineEdit>(window, "EditBonus"), QString());
        auto names = [&] {
            QStringList out;
            for (QLabel* l : window->findChildren<QLabel*>(QStringLiteral("LegendName"))) out << l->text();
            return out;
        };
        QStringList shown = names();
        QCOMPARE(shown.size(), 6);
        QVERIFY2(shown[3].endsWith(QStringLiteral("（与2018年末(5000)重合）")), qPrintable(shown.join('|')));
        QVERIFY2(shown[4].endsWith(QStringLiteral("（与2018年末(5000)重合）")), qPrintable(shown.join('|')));
        QVERIFY(!shown[0].contains(QStringLiteral("重合")) && !shown[2].contains(QStringLiteral("重合")));
        drive::Retype(Child<QLineEdit>(window, "EditExtra"), QStringLiteral("3000"));
        shown = names();
        QVERIFY2(!shown[3].contains(QStringLiteral("与2018年末(5000)重合")), qPrintable(shown.join('|')));
    }

    // Insurance above the wage is computed, with a word beside it.
    void InsuranceAboveTheWage() {
        TFrmMain main;
        QWidget* window = Open(main);
        drive::Retype(Child<QLineEdit>(window, "EditWage"), QStringLiteral("3000"));
        drive::Retype(Child<QLineEdit>(window, "EditBonus"), QString());
        drive::Retype(Child<QLineEdit>(window, "EditSafe"), QStringLiteral("5000"));
        QCOMPARE(drive::TextOf(window, "TxtInfo_2"), QStringLiteral("五险一金超过月工资，税后收入为负"));
        QVERIFY(Child<QTableWidget>(window, "GridLaws")->item(0, 4)->text().startsWith(QLatin1Char('-')));
        drive::Retype(Child<QLineEdit>(window, "EditSafe"), QStringLiteral("3000"));
        QCOMPARE(drive::TextOf(window, "TxtInfo_2"), QString());
    }

    // 复制结果 copies the whole table with its header and what it was computed from; the table's
    // cells can be selected and copied with Ctrl+C; every column and law says what it is.
    void CopiesAndExplains() {
        TFrmMain main;
        QWidget* window = Open(main);
        drive::Retype(Child<QLineEdit>(window, "EditWage"), QStringLiteral("20000"));
        drive::Retype(Child<QLineEdit>(window, "EditSafe"), QStringLiteral("2000"));
        drive::Retype(Child<QLineEdit>(window, "EditExtra"), QString());
        drive::Retype(Child<QLineEdit>(window, "EditBonus"), QStringLiteral("60000"));
        auto* grid = Child<QTableWidget>(window, "GridLaws");
        QApplication::clipboard()->clear();
        Child<QPushButton>(window, "BtnCopy")->click();
        const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2 + grid->rowCount());
        QVERIFY2(lines[0].contains(QStringLiteral("20000.00")) && lines[0].contains(QStringLiteral("60000.00")),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1].split(QLatin1Char('\t')).size(), grid->columnCount());
        for (int r = 0; r < grid->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid->columnCount(); ++c) cells << grid->item(r, c)->text();
            QCOMPARE(lines[2 + r], cells.join(QLatin1Char('\t')));
        }

        grid->setFocus();
        grid->setRangeSelected(QTableWidgetSelectionRange(1, 3, 2, 4), true);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), grid->item(1, 3)->text() + '\t' + grid->item(1, 4)->text() + '\n' +
                                                        grid->item(2, 3)->text() + '\t' + grid->item(2, 4)->text() + '\n');

        for (int c = 0; c < grid->columnCount(); ++c) QVERIFY(!grid->horizontalHeaderItem(c)->toolTip().isEmpty());
        QVERIFY(grid->horizontalHeaderItem(5)->toolTip().contains(QStringLiteral("负数为少缴")));
        QVERIFY(grid->item(2, 0)->toolTip().contains(QStringLiteral("一整年")));
        for (int r = 0; r < grid->rowCount(); ++r) QVERIFY(!grid->item(r, 0)->toolTip().isEmpty());
    }

    // The pointer over the plot names the wage under it and each law's year's tax there.
    void HoverNamesEachLaw() {
        TFrmMain main;
        QWidget* window = Open(main);
        drive::Retype(Child<QLineEdit>(window, "EditWage"), QStringLiteral("20000"));
        drive::Retype(Child<QLineEdit>(window, "EditSafe"), QStringLiteral("2000"));
        drive::Retype(Child<QLineEdit>(window, "EditExtra"), QStringLiteral("1500"));
        drive::Retype(Child<QLineEdit>(window, "EditBonus"), QStringLiteral("30000"));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* port = window->findChild<QGraphicsView*>()->viewport();
        const QPointF middle(port->width() / 2.0, port->height() / 2.0);
        QMouseEvent move(QEvent::MouseMove, middle, port->mapToGlobal(middle), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        const QStringList lines = QToolTip::text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 6);
        const QString wage = lines[0].section(' ', 1, 1);
        const auto want = tax::compare::Compare({*tax::ParseAmount(wage.toStdString()), tax::Decimal(2000),
                                                 tax::Decimal(30000), tax::Decimal(1500)});
        for (size_t k = 0; k < want.size(); ++k)
            QVERIFY2(lines[static_cast<qsizetype>(k) + 1].endsWith(fields::Money(want[k].tax) + QStringLiteral(" 元")),
                     qPrintable(lines[static_cast<qsizetype>(k) + 1]));
    }
};

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
