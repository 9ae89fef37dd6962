// The labour remuneration panel as a person uses it: receipts on each side of the bracket
// edges, the way back from the amount after tax, messages and focus.
#include "PanelDrive.h"

namespace {
constexpr int kLabourRow = 5;
const QString kBad = QStringLiteral("无效的金额，请重新输入");
const QString kNotAbove = QStringLiteral("收入金额需大于零，请重新输入");
} // namespace

class TestLabour : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { drive::SetupApp(); }

    void forward_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("800 bears no tax, the rate stays 0.00")
            << "800"
            << QStringList{"TxtDeduct=0.00", "TxtTaxIncome=0.00",     "TxtRate=0.00", "TxtQuick=0.00",
                           "EditTax=0.00",   "EditRealIncome=800.00", "TxtInfo="};
        QTest::newRow("1000: 800 deducted, 20%")
            << "1000" << QStringList{"TxtDeduct=800.00", "TxtTaxIncome=200.00", "TxtRate=20%",
                                     "TxtQuick=0.00",    "EditTax=40.00",       "EditRealIncome=960.00"};
        QTest::newRow("4000 is still deducted by 800")
            << "4000"
            << QStringList{"TxtDeduct=800.00", "TxtTaxIncome=3200.00", "TxtRate=20%", "EditTax=640.00",
                           "EditRealIncome=3360.00"};
        QTest::newRow("a cent over 4000 is deducted by a fifth")
            << "4000.01"
            << QStringList{"TxtDeduct=800.00", "TxtTaxIncome=3200.01", "EditTax=640.00",
                           "EditRealIncome=3360.01"};
        QTest::newRow("taxable 20000 stays at 20%")
            << "25000"
            << QStringList{"TxtTaxIncome=20000.00", "TxtRate=20%", "TxtQuick=0.00", "EditTax=4000.00",
                           "EditRealIncome=21000.00"};
        QTest::newRow("taxable just over 20000 is at 30%")
            << "25000.02"
            << QStringList{"TxtTaxIncome=20000.02", "TxtRate=30%", "TxtQuick=2000.00", "EditTax=4000.00",
                           "EditRealIncome=21000.02"};
        QTest::newRow("taxable 50000 stays at 30%")
            << "62500"
            << QStringList{"TxtTaxIncome=50000.00", "TxtRate=30%", "TxtQuick=2000.00", "EditTax=13000.00",
                           "EditRealIncome=49500.00"};
        QTest::newRow("100000 at 40%")
            << "100000"
            << QStringList{"TxtDeduct=20000.00", "TxtTaxIncome=80000.00", "TxtRate=40%",
                           "TxtQuick=7000.00",   "EditTax=25000.00",      "EditRealIncome=75000.00"};
        QTest::newRow("blanks around are trimmed") << "  1200 "
                                                   << QStringList{"EditIncome=1200", "TxtTaxIncome=400.00",
                                                                  "EditTax=80.00", "EditRealIncome=1120.00"};
        QTest::newRow("exponent and plus sign")
            << "+1.2e3" << QStringList{"EditTax=80.00", "EditIncome=+1.2e3"};
    }
    void forward() {
        PanelOnScreen s(kLabourRow);
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        s.run(typed);
        QCOMPARE(s.shown(shown), shown);
        // With tax the income is selected for the next amount; without, nothing moves.
        QCOMPARE(s.focusName(), QStringLiteral("EditIncome"));
        QCOMPARE(s.readyToRetype("EditIncome"), !shown.contains("TxtRate=0.00"));
    }

    void noTaxLeavesTheFocusOnTheButton() {
        PanelOnScreen s(kLabourRow);
        s.run("500", Press::Click);
        QCOMPARE(s.shown({"EditTax=0.00", "EditRealIncome=500.00"}),
                 QStringList({"EditTax=0.00", "EditRealIncome=500.00"}));
        QCOMPARE(s.focusName(), QStringLiteral("BtnCalc"));
        s.run("1000", Press::Click);
        QVERIFY(s.readyToRetype("EditIncome"));
    }

    void badIncome_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << ""
                               << "" << kBad;
        QTest::newRow("thousands separator") << "1,200"
                                             << "1,200" << kBad;
        QTest::newRow("unit after digits") << "1200元"
                                           << "1200元" << kBad;
        QTest::newRow("full-width digits") << "１２００"
                                           << "１２００" << kBad;
        QTest::newRow("zero") << " 0 "
                              << "0" << kNotAbove;
        QTest::newRow("negative") << "-5"
                                  << "-5" << kNotAbove;
    }
    void badIncome() {
        PanelOnScreen s(kLabourRow);
        QFETCH(QString, typed);
        QFETCH(QString, field);
        QFETCH(QString, message);
        s.run("100000"); // earlier results must go
        s.run(typed, Press::Click);
        const QStringList want{
            "EditIncome=" + field, "TxtInfo=" + message, "TxtInfo_2=", "TxtDeduct=0.00", "TxtTaxIncome=0.00",
            "TxtRate=0.00",        "TxtQuick=0.00",      "EditTax=",   "EditRealIncome="};
        QCOMPARE(s.shown(want), want);
        QVERIFY(s.readyToRetype("EditIncome"));
        // The first keystroke empties the message; the results stay as they are.
        QTest::keyClick(s.field("EditIncome"), Qt::Key_1);
        QCOMPARE(s.text("TxtInfo"), QString());
    }

    void reverse_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("below 800 comes back unchanged")
            << "500"
            << QStringList{"EditIncome=500", "EditTax=0.00", "EditRealIncome=500.00", "TxtRate=0.00"};
        QTest::newRow("800 comes back unchanged")
            << "800" << QStringList{"EditIncome=800", "EditTax=0.00", "EditRealIncome=800.00"};
        QTest::newRow("960 is 1000 before tax")
            << "960"
            << QStringList{"EditIncome=1000", "TxtDeduct=800.00", "EditTax=40.00", "EditRealIncome=960.00"};
        QTest::newRow("3360 is 4000 before tax")
            << "3360"
            << QStringList{"EditIncome=4000", "TxtDeduct=800.00", "TxtTaxIncome=3200.00", "EditTax=640.00",
                           "EditRealIncome=3360.00"};
        QTest::newRow("21000 is 25000 before tax")
            << "21000" << QStringList{"EditIncome=25000", "TxtRate=20%", "EditRealIncome=21000.00"};
        QTest::newRow("49500 is 62500 before tax")
            << "49500" << QStringList{"EditIncome=62500", "TxtRate=30%", "EditRealIncome=49500.00"};
        QTest::newRow("75000 is 100000 before tax")
            << "75000" << QStringList{"EditIncome=100000", "TxtRate=40%", "EditRealIncome=75000.00"};
        QTest::newRow("the gross keeps fifteen digits")
            << " 5000 "
            << QStringList{"EditIncome=5952.38095238095", "TxtDeduct=1190.48", "TxtTaxIncome=4761.90",
                           "EditTax=952.38", "EditRealIncome=5000.00"};
        QTest::newRow("a cent on a half-cent tax lands on the net")
            << "800.02" << QStringList{"EditIncome=800.025", "EditTax=0.01", "EditRealIncome=800.02"};
    }
    void reverse() {
        PanelOnScreen s(kLabourRow);
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        s.type("EditRealIncome", typed);
        s.click("BtnRealIncome");
        QCOMPARE(s.shown(shown), shown);
        QCOMPARE(s.shown({"TxtInfo=", "TxtInfo_2="}), QStringList({"TxtInfo=", "TxtInfo_2="}));
    }

    void badNet_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << ""
                               << "金额无效，请重新输入";
        QTest::newRow("letters") << "abc"
                                 << "金额无效，请重新输入";
        QTest::newRow("zero") << "0"
                              << "应纳税额应大于0。";
        QTest::newRow("negative") << "-1"
                                  << "应纳税额应大于0。";
    }
    void badNet() {
        PanelOnScreen s(kLabourRow);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        s.run("1000");
        s.type("EditRealIncome", typed);
        s.press("EditRealIncome", Press::Enter);
        // The earlier results stay; only the message and the focus change.
        const QStringList want{"TxtInfo_2=" + message, "EditIncome=1000", "TxtDeduct=800.00",
                               "TxtRate=20%",          "EditTax=40.00",   "EditRealIncome=" + typed};
        QCOMPARE(s.shown(want), want);
        QVERIFY(s.readyToRetype("EditRealIncome"));
        QTest::keyClick(s.field("EditRealIncome"), Qt::Key_5);
        QCOMPARE(s.text("TxtInfo_2"), QString());
    }

    void typingTheNetEmptiesBothMessages() {
        PanelOnScreen s(kLabourRow);
        s.run("abc");
        QCOMPARE(s.text("TxtInfo"), kBad);
        s.field("EditRealIncome")->setFocus();
        QTest::keyClick(s.field("EditRealIncome"), Qt::Key_9);
        QCOMPARE(s.text("TxtInfo"), QString());
    }
};

QTEST_MAIN(TestLabour)
#include "tst_labour.moc"
