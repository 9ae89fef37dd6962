// Individual business and contracted operation: the five bands, the months of operation, and
// what the first layout and reset do to the month list.
#include "PanelDrive.h"

#include <QAction>
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
    std::unique_ptr<TFrmMain> main;

    // Picks a month count on the closed list with the arrow keys.
    static void ChooseMonths(TCalcPanel* p, int months) {
        auto* list = Child<QComboBox>(p, "CmbMonth");
        list->setFocus();
        while (list->currentIndex() > months - 1)
            QTest::keyClick(list, Qt::Key_Up);
        while (list->currentIndex() < months - 1)
            QTest::keyClick(list, Qt::Key_Down);
    }

private slots:
    void initTestCase() { drive::SetupApp(); }
    void init() { main = panel::ShowMain(); }
    void cleanup() { main.reset(); }

    void contractMonthListShowsAllTwelveMonths() {
        QCOMPARE(Child<QComboBox>(panel::Open(*main, kContract), "CmbMonth")->maxVisibleItems(), 12);
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
        TCalcPanel* p = panel::Open(*main, row);
        panel::Run(p, "500000"); // the notice must not keep these figures
        if (months) ChooseMonths(p, months);
        panel::Run(p, typed, panel::Start::Click);
        QCOMPARE(panel::Shown(p, shown), shown);
        // With figures or with the notice, the income is selected for the next amount.
        QVERIFY(panel::FocusedAndSelected(Child<QLineEdit>(p, "EditIncome")));
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
        TCalcPanel* p = panel::Open(*main, row);
        panel::Run(p, "100000");
        QCOMPARE(drive::TextOf(p, "TxtDeduct"),
                 row == kCompany ? QStringLiteral("9750") : QStringLiteral("3750"));
        panel::Run(p, typed);
        // A failed input shows the quick deduction as "0.00" again, not as a whole number.
        const QStringList want{"TxtInfo=" + message, "TxtTaxIncome=0.00", "TxtRate=0.00",
                               "TxtDeduct=0.00",     "EditTax=",          "EditRealIncome="};
        QCOMPARE(panel::Shown(p, want), want);
        auto* income = Child<QLineEdit>(p, "EditIncome");
        QVERIFY(panel::FocusedAndSelected(income));
        QTest::keyClick(income, Qt::Key_8);
        QCOMPARE(drive::TextOf(p, "TxtInfo"), QString());
    }

    void resetBringsBackTwelveMonths() {
        TCalcPanel* p = panel::Open(*main, kContract);
        ChooseMonths(p, 3);
        panel::Run(p, "80000");
        QCOMPARE(drive::TextOf(p, "TxtTaxIncome"), QStringLiteral("69500.00"));
        QTest::mouseClick(Child<QPushButton>(p, "BtnReset"), Qt::LeftButton);
        auto* months = Child<QComboBox>(p, "CmbMonth");
        QCOMPARE(Entries(months), kTwelve);
        QCOMPARE(months->currentText(), QStringLiteral("12"));
        const QStringList fresh{"EditIncome=",    "TxtInfo=", "TxtTaxIncome=0.00", "TxtRate=0.00",
                                "TxtDeduct=0.00", "EditTax=", "EditRealIncome="};
        QCOMPARE(panel::Shown(p, fresh), fresh);
        QCOMPARE(panel::FocusName(), QStringLiteral("EditIncome"));
        panel::Run(p, "80000");
        QCOMPARE(drive::TextOf(p, "TxtTaxIncome"), QStringLiteral("38000.00"));
    }

    void companyResetShowsZeroQuickDeduction() {
        TCalcPanel* p = panel::Open(*main, kCompany);
        panel::Run(p, "1000");
        QCOMPARE(drive::TextOf(p, "TxtDeduct"), QStringLiteral("0"));
        QTest::mouseClick(Child<QPushButton>(p, "BtnReset"), Qt::LeftButton);
        QCOMPARE(drive::TextOf(p, "TxtDeduct"), QStringLiteral("0.00"));
        QCOMPARE(drive::TextOf(p, "EditIncome"), QString());
    }

    void everyFirstLayoutLeavesTwelveMonthsWithTwelveChosen() {
        TCalcPanel* p = panel::Open(*main, kContract);
        auto* months = Child<QComboBox>(p, "CmbMonth");
        auto* top = Child<QAction>(main.get(), "Menu_Tool_Top");
        for (int round = 1; round <= 3; ++round) {
            ChooseMonths(p, round + 2);
            top->trigger();
            top->trigger();
            QCOMPARE(main->currentPanel(), p);
            QCOMPARE(Entries(months), kTwelve);
            QCOMPARE(months->currentIndex(), 11);
            ChooseMonths(p, 5);
            p->resize(p->width() + 1, p->height());
            QCOMPARE(Entries(months), kTwelve);
            QCOMPARE(months->currentIndex(), 11);
        }
        // The allowance still follows the entry chosen afterwards.
        ChooseMonths(p, 2);
        panel::Run(p, "10000");
        QCOMPARE(drive::TextOf(p, "TxtTaxIncome"), QStringLiteral("3000.00"));
    }

    void firstLayoutEmptiesTheMessageAndTakesTheFocus() {
        TCalcPanel* p = panel::Open(*main, kContract);
        panel::Run(p, "x");
        Child<QPushButton>(p, "BtnReset")->setFocus();
        p->resize(p->width(), p->height() + 1);
        QCOMPARE(drive::TextOf(p, "TxtInfo"), QString());
        QCOMPARE(panel::FocusName(), QStringLiteral("EditIncome"));
    }

    void enterWithAModifier() {
        TCalcPanel* p = panel::Open(*main, kContract);
        drive::Retype(Child<QLineEdit>(p, "EditIncome"), "43000");
        drive::Enter(Child<QLineEdit>(p, "EditIncome"), Qt::AltModifier);
        QCOMPARE(drive::TextOf(p, "EditTax"), QStringLiteral("50.00"));
    }
};

QTEST_MAIN(TestBusiness)
#include "tst_business.moc"
