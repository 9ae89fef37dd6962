// The year-end bonus panel: the one-twelfth rule, the blind-zone notice, the reverse
// calculation and messages.
#include "PanelDrive.h"

#include "framework/Product.h"

namespace {
constexpr int kRow = 2;
const QString kNoticeText = QStringLiteral("年终奖发放不合理，个税盲区致年终奖严重缩水。\n联系客服 QQ：") +
                            product::kContactQQ + QStringLiteral("，帮你筹划，为您节税。");

QStringList Results(const PanelOnScreen& s) {
    return {s.text("TxtAverage"), s.text("TxtRate"), s.text("TxtQuick"), s.text("EditTax"),
            s.text("EditRealIncome")};
}
} // namespace

class TestYear : public QObject {
    Q_OBJECT

    static void expectCleared(const PanelOnScreen& s) {
        QCOMPARE(Results(s), QStringList({"0.00", "0.00", "0.00", "", ""}));
    }

private slots:
    void initTestCase() { drive::SetupApp(); }

    void forward_data() {
        QTest::addColumn<QString>("bonus");
        QTest::addColumn<QStringList>("want"); // average, rate, quick, tax, after tax
        QTest::addColumn<QString>("zone");     // the notice in TxtInfo_1, empty for none
        QTest::newRow("18000 stays at 3%, no notice")
            << "18000" << QStringList{"1500.00", "3%", "0.00", "540.00", "17460.00"} << "";
        QTest::newRow("18000.01 enters zone 1")
            << "18000.01" << QStringList{"1500.00", "10%", "105.00", "1695.00", "16305.01"}
            << "进入盲区：( 18,000, 19,283.33 ]";
        QTest::newRow("19000 leaves less than 18000")
            << "19000" << QStringList{"1583.33", "10%", "105.00", "1795.00", "17205.00"}
            << "进入盲区：( 18,000, 19,283.33 ]";
        QTest::newRow("19283.33 is the top of zone 1")
            << "19283.33" << QStringList{"1606.94", "10%", "105.00", "1823.33", "17460.00"}
            << "进入盲区：( 18,000, 19,283.33 ]";
        QTest::newRow("19283.34 is past zone 1")
            << "19283.34" << QStringList{"1606.95", "10%", "105.00", "1823.33", "17460.01"} << "";
        QTest::newRow("54000 on the second edge")
            << "54000" << QStringList{"4500.00", "10%", "105.00", "5295.00", "48705.00"} << "";
        QTest::newRow("60000 in zone 2")
            << "60000" << QStringList{"5000.00", "20%", "555.00", "11445.00", "48555.00"}
            << "进入奖盲区：( 54,000, 60187.50 ]";
        QTest::newRow("60187.5 still in zone 2")
            << "60187.5" << QStringList{"5015.63", "20%", "555.00", "11482.50", "48705.00"}
            << "进入奖盲区：( 54,000, 60187.50 ]";
        QTest::newRow("60187.51 past zone 2")
            << "60187.51" << QStringList{"5015.63", "20%", "555.00", "11482.50", "48705.01"} << "";
        QTest::newRow("zone 5") << "700000"
                                << QStringList{"58333.33", "35%", "5505.00", "239495.00", "460505.00"}
                                << "进入奖盲区：( 660,000, 706,538.46 ]";
        QTest::newRow("960000 on the sixth edge")
            << "960000" << QStringList{"80000.00", "35%", "5505.00", "330495.00", "629505.00"} << "";
        QTest::newRow("1120000 at the top of zone 6")
            << "1120000" << QStringList{"93333.33", "45%", "13505.00", "490495.00", "629505.00"}
            << "进入奖盲区：( 960,000, 1,120,000 ]";
        QTest::newRow("1120000.01 past zone 6")
            << "1120000.01" << QStringList{"93333.33", "45%", "13505.00", "490495.00", "629505.01"} << "";
        QTest::newRow("100000") << "100000" << QStringList{"8333.33", "20%", "555.00", "19445.00", "80555.00"}
                                << "";
        QTest::newRow("one cent") << "0.01" << QStringList{"0.00", "3%", "0.00", "0.00", "0.01"} << "";
    }
    void forward() {
        QFETCH(QString, bonus);
        QFETCH(QStringList, want);
        QFETCH(QString, zone);
        PanelOnScreen s(kRow);
        // What stands on screen while the box is open.
        QStringList atBox;
        QString infoAtBox;
        bool focusMovedBeforeBox = false;
        s.dialogs.onMessage = [&] {
            atBox = Results(s);
            infoAtBox = s.text("TxtInfo_1");
            focusMovedBeforeBox = s.field("EditIncome")->hasSelectedText();
        };
        s.run(bonus);
        QCOMPARE(Results(s), want);
        QCOMPARE(s.text("TxtInfo_1"), zone);
        QVERIFY(s.readyToRetype("EditIncome"));
        if (zone.isEmpty()) {
            QCOMPARE(s.dialogs.boxes.size(), 0);
            return;
        }
        QCOMPARE(s.dialogs.boxes.size(), 1);
        const RecordingDialogs::Box& box = s.dialogs.boxes.first();
        QCOMPARE(box.caption, QStringLiteral("注意"));
        QCOMPARE(box.text, kNoticeText);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.owner, &s.main);
        QCOMPARE(atBox, want);
        QCOMPARE(infoAtBox, zone);
        QVERIFY(!focusMovedBeforeBox);
    }

    void everyBlindZoneBonusRaisesTheBoxAgain() {
        PanelOnScreen s(kRow);
        s.run("19000");
        s.click("BtnCalc");
        QCOMPARE(s.dialogs.boxes.size(), 2);
        QCOMPARE(s.text("TxtInfo_1"), QStringLiteral("进入盲区：( 18,000, 19,283.33 ]"));
        // The zone text goes with the next edit of the bonus.
        QTest::keyClicks(s.field("EditIncome"), "1");
        QCOMPARE(s.text("TxtInfo_1"), QString());
    }

    void refused_data() {
        QTest::addColumn<QString>("bonus");
        QTest::addColumn<QString>("message");
        const QString invalid = QStringLiteral("无效的金额，请重新输入");
        const QString notAbove = QStringLiteral("收入金额需大于零，请重新输入");
        QTest::newRow("zero") << "0" << notAbove;
        QTest::newRow("negative") << "-100" << notAbove;
        QTest::newRow("letters") << "abc" << invalid;
        QTest::newRow("thousands comma") << "18,000" << invalid;
        QTest::newRow("empty") << "" << invalid;
    }
    void refused() {
        QFETCH(QString, bonus);
        QFETCH(QString, message);
        PanelOnScreen s(kRow);
        s.run("19000");
        s.run(bonus, Press::ShiftEnter);
        QCOMPARE(s.text("TxtInfo_1"), message);
        expectCleared(s);
        QVERIFY(s.readyToRetype("EditIncome"));
        QCOMPARE(s.dialogs.boxes.size(), 1); // only the first, valid bonus raised one
    }

    void reverse_data() {
        QTest::addColumn<QString>("afterTax");
        QTest::addColumn<Press>("press");
        QTest::addColumn<QStringList>("want"); // bonus written, tax, after tax
        QTest::newRow("17460 comes from 18000, not from zone 1")
            << "17460" << Press::Enter << QStringList{"18000.00", "540.00", "17460.00"};
        QTest::newRow("9700 in the first bracket")
            << "9700" << Press::CtrlEnter << QStringList{"10000.00", "300.00", "9700.00"};
        QTest::newRow("30000 in the second bracket")
            << "30000" << Press::AltEnter << QStringList{"33216.67", "3216.67", "30000.00"};
        QTest::newRow("17460.01 just past zone 1")
            << "17460.01" << Press::ShiftEnter << QStringList{"19283.34", "1823.33", "17460.01"};
        QTest::newRow("17205: the smaller bonus below zone 1")
            << "17205" << Press::KeypadEnter << QStringList{"17737.11", "532.11", "17205.00"};
        QTest::newRow("48705.01 needs the third bracket, the monthly edges would not")
            << "48705.01" << Press::Enter << QStringList{"60187.51", "11482.50", "48705.01"};
        QTest::newRow("629505 from the sixth edge, not from zone 6")
            << "629505" << Press::Enter << QStringList{"960000.00", "330495.00", "629505.00"};
        QTest::newRow("629505.01 needs zone 6's top bracket")
            << "629505.01" << Press::Enter << QStringList{"1120000.01", "490495.00", "629505.01"};
        QTest::newRow("a typed third decimal rounds onto the edge")
            << "17460.004" << Press::Enter << QStringList{"18000.00", "540.00", "17460.00"};
    }
    void reverse() {
        QFETCH(QString, afterTax);
        QFETCH(Press, press);
        QFETCH(QStringList, want);
        PanelOnScreen s(kRow);
        s.type("EditRealIncome", afterTax);
        PressIn(s.field("EditRealIncome"), press);
        QCOMPARE((QStringList{s.text("EditIncome"), s.text("EditTax"), s.text("EditRealIncome")}), want);
        // The reverse never picks a bonus inside a blind zone.
        QCOMPARE(s.dialogs.boxes.size(), 0);
        QCOMPARE(s.text("TxtInfo_1"), QString());
        QVERIFY(s.readyToRetype("EditIncome"));
    }

    void reverseRefusedKeepsEarlierResults_data() {
        QTest::addColumn<QString>("afterTax");
        QTest::addColumn<QString>("message");
        QTest::newRow("zero") << "0"
                              << "收入金额需大于零，请重新输入";
        QTest::newRow("letters") << "x"
                                 << "无效的金额，请重新输入";
    }
    void reverseRefusedKeepsEarlierResults() {
        QFETCH(QString, afterTax);
        QFETCH(QString, message);
        PanelOnScreen s(kRow);
        s.run("100000");
        s.type("EditRealIncome", afterTax);
        s.click("BtnRealIncome");
        QCOMPARE(s.text("TxtInfo_2"), message);
        QCOMPARE(s.text("EditIncome"), QStringLiteral("100000"));
        QCOMPARE(s.text("TxtAverage"), QStringLiteral("8333.33"));
        QCOMPARE(s.text("EditTax"), QStringLiteral("19445.00"));
        QVERIFY(s.readyToRetype("EditRealIncome"));
        // Editing the bonus empties only its own label.
        QTest::keyClicks(s.field("EditIncome"), "1");
        QCOMPARE(s.text("TxtInfo_2"), message);
    }

    void reverseRightAfterResetFindsNoAmount() {
        PanelOnScreen s(kRow);
        s.run("100000");
        s.click("BtnReset");
        s.click("BtnRealIncome");
        QCOMPARE(s.text("TxtInfo_2"), QStringLiteral("无效的金额，请重新输入"));
    }

    void enterInTheTaxFieldOnlyEmptiesMessages() {
        PanelOnScreen s(kRow);
        s.run("19000");
        QVERIFY(!s.text("TxtInfo_1").isEmpty());
        s.type("EditTax", "100");
        QCOMPARE(s.text("TxtInfo_1"), QString());
        drive::Enter(s.field("EditTax"));
        QCOMPARE(Results(s), QStringList({"1583.33", "10%", "105.00", "100", "17205.00"}));
        QCOMPARE(s.dialogs.boxes.size(), 1);
    }
};

QTEST_MAIN(TestYear)
#include "tst_year.moc"
