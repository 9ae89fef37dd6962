// The wage and year-end bonus panel: the shortfall off the bonus, the blind-zone notice on the
// taxable bonus with the wage results already shown, and messages.
#include "PanelDrive.h"

namespace {
constexpr int kRow = 3;
const char* const kResultNames[] = {"TxtTax1",        "TxtRealIncome1", "TxtTax2",
                                    "TxtRealIncome2", "TxtTaxTotal",    "TxtRealIncomeAll"};

QStringList Results(const PanelOnScreen& s) {
    QStringList shown;
    for (const char* name : kResultNames)
        shown << s.text(name);
    return shown;
}
const QStringList kCleared{"0.00", "0.00", "0.00", "0.00", "0.00", "0.00"};
} // namespace

class TestAward : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { drive::SetupApp(); }

    void calculation_data() {
        QTest::addColumn<QString>("bonus");
        QTest::addColumn<QString>("wage");
        QTest::addColumn<QString>("insurance");
        QTest::addColumn<int>("allowanceRow");
        QTest::addColumn<QStringList>("want"); // the six results
        QTest::addColumn<QString>("zone");
        QTest::newRow("insurance not taken off the after-tax wage")
            << "24000"
            << "5000"
            << "500" << 0 << QStringList{"30.00", "4970.00", "2295.00", "21705.00", "2325.00", "26675.00"}
            << "";
        QTest::newRow("shortfall of 800 off the bonus")
            << "24000"
            << "3000"
            << "300" << 0 << QStringList{"0.00", "3000.00", "2215.00", "21785.00", "2215.00", "24785.00"}
            << "";
        QTest::newRow("19000 in zone 1 with a full wage")
            << "19000"
            << "5000"
            << "0" << 0 << QStringList{"45.00", "4955.00", "1795.00", "17205.00", "1840.00", "22160.00"}
            << "进入盲区：( 18,000, 19,283.33 ]";
        QTest::newRow("shortfall 500 leaves 18500 in zone 1")
            << "19000"
            << "3000"
            << "0" << 0 << QStringList{"0.00", "3000.00", "1745.00", "17255.00", "1745.00", "20255.00"}
            << "进入盲区：( 18,000, 19,283.33 ]";
        QTest::newRow("shortfall 1000 leaves 18000, out of the zone")
            << "19000"
            << "2500"
            << "0" << 0 << QStringList{"0.00", "2500.00", "540.00", "18460.00", "540.00", "20960.00"} << "";
        QTest::newRow("taxable bonus below 0")
            << "1000"
            << "2000"
            << "0" << 0 << QStringList{"0.00", "2000.00", "0.00", "1000.00", "0.00", "3000.00"} << "";
        QTest::newRow("wage 0 loses the whole allowance")
            << "24000"
            << "0"
            << "0" << 0 << QStringList{"0.00", "0.00", "1945.00", "22055.00", "1945.00", "22055.00"} << "";
        QTest::newRow("insurance above the wage")
            << "30000"
            << "1000"
            << "2000" << 0 << QStringList{"0.00", "1000.00", "2445.00", "27555.00", "2445.00", "28555.00"}
            << "";
        QTest::newRow("wage on the allowance pays nothing")
            << "24000"
            << "3500"
            << "0" << 0 << QStringList{"0.00", "3500.00", "2295.00", "21705.00", "2295.00", "25205.00"} << "";
        QTest::newRow("allowance 4800")
            << "24000"
            << "5000"
            << "0" << 1 << QStringList{"6.00", "4994.00", "2295.00", "21705.00", "2301.00", "26699.00"} << "";
    }
    void calculation() {
        QFETCH(QString, bonus);
        QFETCH(QString, wage);
        QFETCH(QString, insurance);
        QFETCH(int, allowanceRow);
        QFETCH(QStringList, want);
        QFETCH(QString, zone);
        PanelOnScreen s(kRow);
        QStringList atBox;
        s.dialogs.onMessage = [&] { atBox = Results(s); };
        s.chooseAllowance(allowanceRow);
        s.type("EditYear", bonus);
        s.type("EditSalary", wage);
        s.type("EditSafe", insurance);
        drive::Enter(s.field("EditSafe"), Qt::ControlModifier);
        QCOMPARE(Results(s), want);
        QCOMPARE(s.text("TxtInfo_1"), zone);
        // Unlike the bonus panel, the focus stays where it was and nothing is selected.
        QCOMPARE(s.focused(), s.field("EditSafe"));
        QVERIFY(!s.field("EditSafe")->hasSelectedText());
        QCOMPARE(s.dialogs.boxes.size(), zone.isEmpty() ? 0 : 1);
        if (zone.isEmpty()) return;
        QCOMPARE(s.dialogs.boxes.first().caption, QStringLiteral("注意"));
        QCOMPARE(s.dialogs.boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(s.dialogs.boxes.first().owner, &s.main);
        // While the box is open the wage results stand and the bonus ones still read 0.00.
        QCOMPARE(atBox, (QStringList{want[0], want[1], "0.00", "0.00", "0.00", "0.00"}));
    }

    void refused_data() {
        QTest::addColumn<QString>("bonus");
        QTest::addColumn<QString>("wage");
        QTest::addColumn<QString>("insurance");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("insuranceAfter");
        const QString invalid = QStringLiteral("无效的金额，请重新输入");
        QTest::newRow("bonus 0") << "0"
                                 << "5000"
                                 << ""
                                 << "TxtInfo_1"
                                 << "收入金额需大于零，请重新输入"
                                 << "";
        QTest::newRow("bonus empty, insurance not filled") << ""
                                                           << "5000"
                                                           << ""
                                                           << "TxtInfo_1" << invalid << "";
        QTest::newRow("bonus and wage bad: only the bonus reports") << "abc"
                                                                    << "x"
                                                                    << ""
                                                                    << "TxtInfo_1" << invalid << "";
        QTest::newRow("wage negative") << "24000"
                                       << "-1"
                                       << ""
                                       << "TxtInfo_2"
                                       << "收入不能小于0，请重新输入"
                                       << "";
        QTest::newRow("wage empty") << "24000"
                                    << ""
                                    << ""
                                    << "TxtInfo_2" << invalid << "";
        QTest::newRow("insurance negative") << "24000"
                                            << "5000"
                                            << "-1"
                                            << "TxtInfo_3"
                                            << "五险一金需大于零，请重新输入"
                                            << "-1";
        QTest::newRow("insurance letters") << "24000"
                                           << "5000"
                                           << "a"
                                           << "TxtInfo_3" << invalid << "a";
    }
    void refused() {
        QFETCH(QString, bonus);
        QFETCH(QString, wage);
        QFETCH(QString, insurance);
        QFETCH(QString, label);
        QFETCH(QString, message);
        QFETCH(QString, insuranceAfter);
        PanelOnScreen s(kRow);
        s.type("EditYear", "24000");
        s.type("EditSalary", "5000");
        s.click("BtnCalc"); // results that the failed run must clear
        s.type("EditYear", bonus);
        s.type("EditSalary", wage);
        s.type("EditSafe", insurance);
        s.click("BtnCalc");
        for (const char* info : {"TxtInfo_1", "TxtInfo_2", "TxtInfo_3"})
            QCOMPARE(s.text(info), label == QLatin1String(info) ? message : QString());
        QCOMPARE(Results(s), kCleared);
        QCOMPARE(s.text("EditSafe"), insuranceAfter);
        const char* field = label == "TxtInfo_1"   ? "EditYear"
                            : label == "TxtInfo_2" ? "EditSalary"
                                                   : "EditSafe";
        QVERIFY(s.readyToRetype(field));
        // An edit in any field empties the message.
        QTest::keyClicks(s.field("EditSalary"), "0");
        QCOMPARE(s.text(label.toLatin1().constData()), QString());
    }
};

QTEST_MAIN(TestAward)
#include "tst_award.moc"
