// 新旧税制对比, opened from the tool menu and driven by typing: each law's row shows what the
// comparison core gives (whose rows the core's tests hold to each law's calculator).
#include "TestSupport.h"

#include "framework/Fields.h"
#include "framework/Messages.h"
#include "shell/UMainForm.h"
#include "tax/Amount.h"
#include "tax/LawCompare.h"

#include <QAction>
#include <QTableWidget>

class TestCompare : public QObject {
    Q_OBJECT

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
        drive::Enter(Child<QLineEdit>(window, "EditBonus"));

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

    void Refusals() {
        TFrmMain main;
        Child<QAction>(&main, "Menu_Tool_Compare")->trigger();
        auto* window = main.findChild<QWidget*>(QStringLiteral("FrmCompare"));
        drive::Retype(Child<QLineEdit>(window, "EditWage"), QStringLiteral("10000"));
        drive::Retype(Child<QLineEdit>(window, "EditBonus"), QStringLiteral("-1"));
        drive::Enter(Child<QLineEdit>(window, "EditBonus"));
        QCOMPARE(drive::TextOf(window, "TxtInfo_3"), msg::kIncomeNotNegative);
        QCOMPARE(Child<QTableWidget>(window, "GridLaws")->rowCount(), 0);
        drive::Retype(Child<QLineEdit>(window, "EditWage"), QStringLiteral("abc"));
        drive::Enter(Child<QLineEdit>(window, "EditWage"));
        QCOMPARE(drive::TextOf(window, "TxtInfo_1"), msg::kInvalidAmount);
    }
};

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
