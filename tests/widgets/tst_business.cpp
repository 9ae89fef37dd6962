// Individual business and contracted operation: the five bands, the months of operation, and
// what the first layout and reset do to the month list.
#include "PanelDrive.h"

#include <QComboBox>

namespace {
constexpr int kCompany = 11, kContract = 12;
const QStringList kTwelve{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};

QStringList Entries(QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}
} // namespace

class TestBusiness : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { drive::SetupApp(); }

    void contractMonthListShowsAllTwelveMonths() {
        PanelOnScreen s(kContract);
        QCOMPARE(Child<QComboBox>(s.panel(), "CmbMonth")->maxVisibleItems(), 12);
    }

    void calculation_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("months");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("business: the first yuan is taxed")
            << kCompany << 0 << "1"
            << QStringList{"TxtTaxIncome=1.00", "TxtRate=5%", "TxtDeduct=0", "EditTax=0.05",
                           "EditRealIncome=0.95"};
        QTest::newRow("business: 15000 stays in band 1")
            << kCompany << 0 << "15000"
            << QStringList{"TxtRate=5%", "TxtDeduct=0", "EditTax=750.00", "EditRealIncome=14250.00"};
        QTest::newRow("business: a cent over 15000 is band 2")
            << kCompany << 0 << "15000.01"
            << QStringList{"TxtTaxIncome=15000.01", "TxtRate=10%", "TxtDeduct=750", "EditTax=750.00",
                           "EditRealIncome=14250.01"};
        QTest::newRow("business: 30000 stays in band 2")
            << kCompany << 0 << "30000" << QStringList{"TxtRate=10%", "TxtDeduct=750", "EditTax=2250.00"};
        QTest::newRow("business: 60000 is band 3")
            << kCompany << 0 << "60000"
            << QStringList{"TxtRate=20%", "TxtDeduct=3750", "EditTax=8250.00", "EditRealIncome=51750.00"};
        QTest::newRow("business: 100000 is band 4")
            << kCompany << 0 << "100000"
            << QStringList{"TxtRate=30%", "TxtDeduct=9750", "EditTax=20250.00", "EditRealIncome=79750.00"};
        QTest::newRow("business: 200000 is band 5")
            << kCompany << 0 << "200000"
            << QStringList{"TxtRate=35%", "TxtDeduct=14750", "EditTax=55250.00", "EditRealIncome=144750.00"};
        QTest::newRow("contract 12 months: 42000 pays nothing")
            << kContract << 12 << "42000"
            << QStringList{"TxtInfo=无需纳税。", "TxtTaxIncome=0.00", "TxtRate=0.00",
                           "TxtDeduct=0.00",     "EditTax=0.00",      "EditRealIncome=42000.00"};
        QTest::newRow("contract 12 months: a cent over 42000")
            << kContract << 12 << "42000.01"
            << QStringList{"TxtInfo=",    "TxtTaxIncome=0.01", "TxtRate=5%",
                           "TxtDeduct=0", "EditTax=0.00",      "EditRealIncome=42000.01"};
        QTest::newRow("contract 12 months: 100000")
            << kContract << 12 << "100000"
            << QStringList{"TxtTaxIncome=58000.00", "TxtRate=20%", "TxtDeduct=3750", "EditTax=7850.00",
                           "EditRealIncome=92150.00"};
        QTest::newRow("contract 6 months: 50000")
            << kContract << 6 << "50000"
            << QStringList{"TxtTaxIncome=29000.00", "TxtRate=10%", "TxtDeduct=750", "EditTax=2150.00",
                           "EditRealIncome=47850.00"};
        QTest::newRow("contract 1 month: 3500 pays nothing")
            << kContract << 1 << "3500"
            << QStringList{"TxtInfo=无需纳税。", "EditTax=0.00", "EditRealIncome=3500.00"};
        QTest::newRow("contract 1 month: 3600")
            << kContract << 1 << "3600"
            << QStringList{"TxtTaxIncome=100.00", "EditTax=5.00", "EditRealIncome=3595.00"};
        QTest::newRow("contract 7 months: 24500 pays nothing")
            << kContract << 7 << "24500" << QStringList{"TxtInfo=无需纳税。", "TxtDeduct=0.00"};
        QTest::newRow("blanks are trimmed")
            << kCompany << 0 << " 1000 " << QStringList{"EditIncome=1000", "EditTax=50.00"};
    }
    void calculation() {
        QFETCH(int, row);
        QFETCH(int, months);
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        PanelOnScreen s(row);
        s.run("500000"); // the notice must not keep these figures
        if (months) s.select("CmbMonth", months - 1);
        s.run(typed, Press::Click);
        QCOMPARE(s.shown(shown), shown);
        // With figures or with the notice, the income is selected for the next amount.
        QVERIFY(s.readyToRetype("EditIncome"));
    }

    void badIncome_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        for (int row : {kCompany, kContract}) {
            const QByteArray r = row == kCompany ? "business" : "contract";
            QTest::newRow(r + ": empty") << row << ""
                                         << "无效的金额，请重新输入";
            QTest::newRow(r + ": separator") << row << "10,000"
                                             << "无效的金额，请重新输入";
            QTest::newRow(r + ": zero") << row << "0.00"
                                        << "收入金额需大于零，请重新输入";
            QTest::newRow(r + ": negative") << row << "-1e3"
                                            << "收入金额需大于零，请重新输入";
        }
    }
    void badIncome() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        PanelOnScreen s(row);
        s.run("100000");
        QCOMPARE(s.text("TxtDeduct"), row == kCompany ? QStringLiteral("9750") : QStringLiteral("3750"));
        s.run(typed);
        // A failed input shows the quick deduction as "0.00" again, not as a whole number.
        const QStringList want{"TxtInfo=" + message, "TxtTaxIncome=0.00", "TxtRate=0.00",
                               "TxtDeduct=0.00",     "EditTax=",          "EditRealIncome="};
        QCOMPARE(s.shown(want), want);
        auto* income = s.field("EditIncome");
        QVERIFY(s.readyToRetype("EditIncome"));
        QTest::keyClick(income, Qt::Key_8);
        QCOMPARE(s.text("TxtInfo"), QString());
    }

    // The list is back on twelve months after a reset; the allowance must count twelve too.
    void resetCountsTwelveMonthsAgain() {
        PanelOnScreen s(kContract);
        s.select("CmbMonth", 2);
        s.run("80000");
        QCOMPARE(s.text("TxtTaxIncome"), QStringLiteral("69500.00"));
        s.click("BtnReset");
        s.run("80000");
        QCOMPARE(s.text("TxtTaxIncome"), QStringLiteral("38000.00"));
    }

    void everyFirstLayoutLeavesTwelveMonthsWithTwelveChosen() {
        PanelOnScreen s(kContract);
        TCalcPanel* p = s.panel();
        auto* months = Child<QComboBox>(p, "CmbMonth");
        for (int round = 1; round <= 3; ++round) {
            s.select("CmbMonth", round + 1);
            s.toggleStayOnTop();
            s.toggleStayOnTop();
            QCOMPARE(s.panel(), p);
            QCOMPARE(Entries(months), kTwelve);
            QCOMPARE(months->currentIndex(), 11);
            s.select("CmbMonth", 4);
            p->resize(p->width() + 1, p->height());
            QCOMPARE(Entries(months), kTwelve);
            QCOMPARE(months->currentIndex(), 11);
        }
        // The allowance still follows the entry chosen afterwards.
        s.select("CmbMonth", 1);
        s.run("10000");
        QCOMPARE(s.text("TxtTaxIncome"), QStringLiteral("3000.00"));
    }

    void firstLayoutEmptiesTheMessageAndTakesTheFocus() {
        PanelOnScreen s(kContract);
        s.run("x");
        Child<QPushButton>(s.panel(), "BtnReset")->setFocus();
        s.panel()->resize(s.panel()->width(), s.panel()->height() + 1);
        QCOMPARE(s.text("TxtInfo"), QString());
        QCOMPARE(s.focusName(), QStringLiteral("EditIncome"));
    }
};

QTEST_MAIN(TestBusiness)
#include "tst_business.moc"
