// The monthly wage panel: forward, the two reverse calculations, messages.
#include "PanelDrive.h"

namespace {
constexpr int kRow = 0;
const char* const kInfos[] = {"TxtInfo_1", "TxtInfo_2", "TxtInfo_3", "TxtInfo_4"};
const char* const kResults[] = {"TxtTaxIncome", "TxtRate", "TxtQuick"};
} // namespace

class TestSalary : public QObject {
    Q_OBJECT

    static void expectCleared(const PanelOnScreen& s) {
        for (const char* name : kResults)
            QCOMPARE(s.text(name), QStringLiteral("0.00"));
        QCOMPARE(s.text("EditTax"), QString());
        QCOMPARE(s.text("EditRealIncome"), QString());
    }
    // Only `label` (if any) holds `message`; the other info labels are empty.
    static void expectMessage(const PanelOnScreen& s, const char* label, const QString& message) {
        for (const char* name : kInfos)
            QCOMPARE(s.text(name), qstrcmp(name, label) == 0 ? message : QString());
    }

private slots:
    void initTestCase() { drive::SetupApp(); }

    void forward_data() {
        QTest::addColumn<QString>("wage");
        QTest::addColumn<QString>("insurance");
        QTest::addColumn<int>("allowanceRow");
        QTest::addColumn<Press>("press");
        QTest::addColumn<QStringList>("want"); // wage and insurance as left, then the five results
        QTest::newRow("5000 on the first edge, empty insurance fills 0.00")
            << "5000"
            << "" << 0 << Press::Enter
            << QStringList{"5000", "0.00", "1500.00", "3%", "0.00", "45.00", "4955.00"};
        QTest::newRow("5000.01 crosses into 10%")
            << "5000.01"
            << "" << 0 << Press::ShiftEnter
            << QStringList{"5000.01", "0.00", "1500.01", "10%", "105.00", "45.00", "4955.01"};
        QTest::newRow("3500 leaves nothing taxable")
            << "3500"
            << "" << 0 << Press::CtrlEnter
            << QStringList{"3500", "0.00", "0.00", "0.00", "0.00", "0.00", "3500.00"};
        QTest::newRow("allowance 4800 and insurance 1000")
            << "10000"
            << "1000" << 1 << Press::AltEnter
            << QStringList{"10000", "1000", "4200.00", "10%", "105.00", "315.00", "8685.00"};
        QTest::newRow("insurance above the wage is accepted")
            << "1000"
            << "2000" << 0 << Press::KeypadEnter
            << QStringList{"1000", "2000", "0.00", "0.00", "0.00", "0.00", "-1000.00"};
        QTest::newRow("blanks around the wage are trimmed in the field")
            << "  10000  "
            << " 0 " << 0 << Press::Enter
            << QStringList{"10000", "0", "6500.00", "20%", "555.00", "745.00", "9255.00"};
        QTest::newRow("exponent and plus sign, by the button")
            << "+1.2e4"
            << "" << 0 << Press::Click
            << QStringList{"+1.2e4", "0.00", "8500.00", "20%", "555.00", "1145.00", "10855.00"};
        QTest::newRow("top bracket, tax in cents rounds half away")
            << "84100.125"
            << "" << 0 << Press::Enter
            << QStringList{"84100.125", "0.00", "80600.13", "45%", "13505.00", "22765.06", "61335.07"};
    }
    void forward() {
        QFETCH(QString, wage);
        QFETCH(QString, insurance);
        QFETCH(int, allowanceRow);
        QFETCH(Press, press);
        QFETCH(QStringList, want);
        PanelOnScreen s(kRow);
        s.chooseAllowance(allowanceRow);
        s.type("EditSafe", insurance);
        s.type("EditIncome", wage);
        // Enter in either input field runs the forward calculation.
        s.press(press == Press::AltEnter ? "EditSafe" : "EditIncome", press);
        const QStringList shown{s.text("EditIncome"),    s.text("EditSafe"), s.text("TxtTaxIncome"),
                                s.text("TxtRate"),       s.text("TxtQuick"), s.text("EditTax"),
                                s.text("EditRealIncome")};
        QCOMPARE(shown, want);
        expectMessage(s, nullptr, {});
        QVERIFY(s.readyToRetype("EditIncome"));
    }

    void refused_data() {
        QTest::addColumn<QString>("wage");
        QTest::addColumn<QString>("insurance");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("insuranceAfter");
        const QString invalid = QStringLiteral("无效的金额，请重新输入");
        QTest::newRow("letters") << "abc"
                                 << ""
                                 << "TxtInfo_1" << invalid << "";
        QTest::newRow("thousands separator") << "1,200"
                                             << ""
                                             << "TxtInfo_1" << invalid << "";
        QTest::newRow("full-width digits") << "１２００"
                                           << ""
                                           << "TxtInfo_1" << invalid << "";
        QTest::newRow("unit after the digits") << "1200元"
                                               << ""
                                               << "TxtInfo_1" << invalid << "";
        QTest::newRow("empty wage") << ""
                                    << ""
                                    << "TxtInfo_1" << invalid << "";
        QTest::newRow("wage 0") << "0"
                                << ""
                                << "TxtInfo_1"
                                << "收入金额需大于零，请重新输入"
                                << "";
        QTest::newRow("negative wage") << "-5"
                                       << ""
                                       << "TxtInfo_1"
                                       << "收入金额需大于零，请重新输入"
                                       << "";
        QTest::newRow("negative insurance") << "10000"
                                            << "-1"
                                            << "TxtInfo_2"
                                            << "五险一金需大于零，请重新输入"
                                            << "-1";
        QTest::newRow("insurance not a number") << "10000"
                                                << "x"
                                                << "TxtInfo_2" << invalid << "x";
        QTest::newRow("two bad fields: only the wage reports") << "abc"
                                                               << "-1"
                                                               << "TxtInfo_1" << invalid << "-1";
    }
    void refused() {
        QFETCH(QString, wage);
        QFETCH(QString, insurance);
        QFETCH(QString, label);
        QFETCH(QString, message);
        QFETCH(QString, insuranceAfter);
        PanelOnScreen s(kRow);
        s.run("10000"); // results that the failed run must clear
        s.type("EditSafe", insurance);
        s.run(wage);
        expectMessage(s, label.toLatin1().constData(), message);
        expectCleared(s);
        QCOMPARE(s.text("EditSafe"), insuranceAfter);
        QVERIFY(s.readyToRetype(label == "TxtInfo_1" ? "EditIncome" : "EditSafe"));

        // Typing in any of the four fields empties the message; the results stay cleared.
        QTest::keyClicks(s.field("EditRealIncome"), "1");
        expectMessage(s, nullptr, {});
        QCOMPARE(s.text("TxtTaxIncome"), QStringLiteral("0.00"));
    }

    void reverse_data() {
        QTest::addColumn<QString>("from"); // the field typed into
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("insurance");
        QTest::addColumn<Press>("press");
        QTest::addColumn<QStringList>("want"); // wage written, tax, net
        QTest::newRow("tax 100 in the second row")
            << "EditTax"
            << "100"
            << "" << Press::Enter << QStringList{"5550", "100.00", "5450.00"};
        QTest::newRow("tax on the first edge")
            << "EditTax"
            << "45"
            << "" << Press::ShiftEnter << QStringList{"5000", "45.00", "4955.00"};
        QTest::newRow("tax a cent into the top row")
            << "EditTax"
            << "22495.01"
            << "" << Press::Click << QStringList{"83500.0222222222", "22495.01", "61005.01"};
        QTest::newRow("tax with insurance")
            << "EditTax"
            << " 315 "
            << "1000" << Press::CtrlEnter << QStringList{"8700", "315.00", "7385.00"};
        QTest::newRow("net in the third row")
            << "EditRealIncome"
            << "10000"
            << "" << Press::Enter << QStringList{"10931.25", "931.25", "10000.00"};
        QTest::newRow("net in the fifth row")
            << "EditRealIncome"
            << "40000"
            << "" << Press::Click << QStringList{"51707.1428571429", "11707.14", "40000.00"};
        QTest::newRow("net below the allowance")
            << "EditRealIncome"
            << "3000"
            << "500" << Press::KeypadEnter << QStringList{"3500", "0.00", "3000.00"};
        QTest::newRow("net on the first edge")
            << "EditRealIncome"
            << "4955"
            << "" << Press::Enter << QStringList{"5000", "45.00", "4955.00"};
    }
    void reverse() {
        QFETCH(QString, from);
        QFETCH(QString, typed);
        QFETCH(QString, insurance);
        QFETCH(Press, press);
        QFETCH(QStringList, want);
        PanelOnScreen s(kRow);
        s.type("EditSafe", insurance);
        s.type(from.toLatin1().constData(), typed);
        s.press(from.toLatin1().constData(), press, from == "EditTax" ? "BtnTax" : "BtnRealIncome");
        QCOMPARE((QStringList{s.text("EditIncome"), s.text("EditTax"), s.text("EditRealIncome")}), want);
        expectMessage(s, nullptr, {});
        QVERIFY(s.readyToRetype("EditIncome"));
    }

    void reverseRefusedKeepsEarlierResults_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("insurance");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("message");
        QTest::newRow("tax 0") << "EditTax"
                               << "0"
                               << ""
                               << "TxtInfo_3"
                               << "应纳税额应大于0。";
        QTest::newRow("tax not a number") << "EditTax"
                                          << "x"
                                          << ""
                                          << "TxtInfo_3"
                                          << "金额无效，请重新输入";
        QTest::newRow("tax empty") << "EditTax"
                                   << ""
                                   << ""
                                   << "TxtInfo_3"
                                   << "金额无效，请重新输入";
        QTest::newRow("net 0") << "EditRealIncome"
                               << "0"
                               << ""
                               << "TxtInfo_4"
                               << "应纳税额应大于0。";
        QTest::newRow("net not a number") << "EditRealIncome"
                                          << "x"
                                          << ""
                                          << "TxtInfo_4"
                                          << "金额无效，请重新输入";
        QTest::newRow("tax fine, insurance negative") << "EditTax"
                                                      << "100"
                                                      << "-1"
                                                      << "TxtInfo_2"
                                                      << "五险一金需大于零，请重新输入";
    }
    void reverseRefusedKeepsEarlierResults() {
        QFETCH(QString, from);
        QFETCH(QString, typed);
        QFETCH(QString, insurance);
        QFETCH(QString, label);
        QFETCH(QString, message);
        PanelOnScreen s(kRow);
        s.run("10000");
        s.type("EditSafe", insurance);
        s.type(from.toLatin1().constData(), typed);
        s.click(from == "EditTax" ? "BtnTax" : "BtnRealIncome");
        expectMessage(s, label.toLatin1().constData(), message);
        QCOMPARE(s.text("EditIncome"), QStringLiteral("10000"));
        QCOMPARE(s.text("TxtTaxIncome"), QStringLiteral("6500.00"));
        QCOMPARE(s.text("TxtRate"), QStringLiteral("20%"));
        QVERIFY(s.readyToRetype(label == "TxtInfo_2" ? "EditSafe" : from.toLatin1().constData()));
    }
};

QTEST_MAIN(TestSalary)
#include "tst_salary.moc"
