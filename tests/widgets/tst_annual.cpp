// The annual salary panel: the monthly tax, the year-end bonus and the year's totals, the
// refusal of a monthly amount above a twelfth, and the grey insurance hint.
#include "PanelDrive.h"

#include "framework/Product.h"

namespace {
constexpr int kRow = 1;
const char* const kFields[] = {"EditYear", "EditSalary", "EditSafe", "EditOther"};

QStringList Results(const PanelOnScreen& s) {
    return {s.text("TxtTax"), s.text("TxtYearAward"), s.text("TxtYearTax"), s.text("TxtAllTax"),
            s.text("TxtRealIncome")};
}
const QStringList kCleared{"0.00", "0.00", "0.00", "0.00", "0.00"};
const QString kHint = QStringLiteral("每月缴纳的五险一金");

void Fill(PanelOnScreen& s, const QStringList& inputs) {
    for (int i = 0; i < inputs.size(); ++i)
        s.type(kFields[i], inputs[i]);
}
} // namespace

class TestAnnual : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { drive::SetupApp(); }

    void calculation_data() {
        QTest::addColumn<QStringList>("inputs"); // salary, monthly, insurance, other bonus
        QTest::addColumn<int>("allowanceRow");
        QTest::addColumn<QStringList>("want"); // monthly tax, bonus, bonus tax, year's tax, year's net
        QTest::newRow("all paid monthly: the year's tax is twelve months")
            << QStringList{"120000", "10000", "", ""} << 0
            << QStringList{"745.00", "0.00", "0.00", "8940.00", "111060.00"};
        QTest::newRow("rest of the salary and the other bonus")
            << QStringList{"150000", "10000", "1000", "6000"} << 0
            << QStringList{"545.00", "36000.00", "3495.00", "10035.00", "133965.00"};
        QTest::newRow("shortfall taken off the bonus")
            << QStringList{"60000", "3000", "500", "0"} << 0
            << QStringList{"0.00", "24000.00", "2195.00", "2195.00", "51805.00"};
        QTest::newRow("shortfall beyond the bonus")
            << QStringList{"36000", "3000", "0", "0"} << 0
            << QStringList{"0.00", "0.00", "0.00", "0.00", "36000.00"};
        QTest::newRow("bonus exactly 18000 stays at 3%")
            << QStringList{"78000", "5000", "", ""} << 0
            << QStringList{"45.00", "18000.00", "540.00", "1080.00", "76920.00"};
        QTest::newRow("bonus 18000.12 pays 10%")
            << QStringList{"78000.12", "5000", "", ""} << 0
            << QStringList{"45.00", "18000.12", "1695.01", "2235.01", "75765.11"};
        QTest::newRow("salary and monthly 0 are accepted")
            << QStringList{"0", "0", "", ""} << 0 << QStringList{"0.00", "0.00", "0.00", "0.00", "0.00"};
        QTest::newRow("allowance 4800") << QStringList{"120000", "10000", "", ""} << 1
                                        << QStringList{"485.00", "0.00", "0.00", "5820.00", "114180.00"};
    }
    void calculation() {
        QFETCH(QStringList, inputs);
        QFETCH(int, allowanceRow);
        QFETCH(QStringList, want);
        PanelOnScreen s(kRow);
        s.chooseAllowance(allowanceRow);
        Fill(s, inputs);
        drive::Enter(s.field("EditOther"), Qt::AltModifier);
        QCOMPARE(Results(s), want);
        QCOMPARE(s.dialogs.boxes.size(), 0);
        // Empty insurance and other bonus are filled in; the focus is not moved.
        if (inputs[2].isEmpty()) QCOMPARE(s.text("EditSafe"), QStringLiteral("0.00"));
        if (inputs[3].isEmpty()) QCOMPARE(s.text("EditOther"), QStringLiteral("0.00"));
        QCOMPARE(s.focused(), s.field("EditOther"));
        QCOMPARE(s.text("TxtInfo_3"), kHint);
    }

    void monthlyAboveATwelfthIsRefusedInABox_data() {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("limit");
        QTest::newRow("9000 a month of 100000") << QStringList{"100000", "9000"} << "8333.33";
        QTest::newRow("a cent above a twelfth") << QStringList{"120000", "10000.01"} << "10000.00";
        QTest::newRow("salary 0") << QStringList{"0", "1"} << "0.00";
    }
    void monthlyAboveATwelfthIsRefusedInABox() {
        QFETCH(QStringList, inputs);
        QFETCH(QString, limit);
        PanelOnScreen s(kRow);
        QStringList atBox;
        s.dialogs.onMessage = [&] { atBox = Results(s); };
        Fill(s, inputs);
        drive::Enter(s.field("EditYear"));
        QCOMPARE(s.dialogs.boxes.size(), 1);
        const RecordingDialogs::Box& box = s.dialogs.boxes.first();
        QCOMPARE(box.caption, product::kTitle);
        QCOMPARE(box.text, QStringLiteral("每月发放工资最高不能大于 ") + limit + QStringLiteral(" 元。"));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.owner, s.panel());
        QCOMPARE(atBox, kCleared);
        QCOMPARE(Results(s), kCleared);
        QVERIFY(s.readyToRetype("EditSalary"));
        QVERIFY(s.field("EditSalary")->hasSelectedText());
    }

    void refused_data() {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("label"); // empty: no message anywhere
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const QString invalid = QStringLiteral("无效的金额，请重新输入");
        QTest::newRow("salary empty") << QStringList{"", "1000"} << "TxtInfo_1" << invalid << "EditYear";
        QTest::newRow("salary negative") << QStringList{"-1", "1000"} << "TxtInfo_1"
                                         << "收入不能小于0，请重新输入"
                                         << "EditYear";
        QTest::newRow("monthly negative") << QStringList{"120000", "-1"} << "TxtInfo_2"
                                          << "收入不能小于0，请重新输入"
                                          << "EditSalary";
        QTest::newRow("monthly letters")
            << QStringList{"120000", "abc"} << "TxtInfo_2" << invalid << "EditSalary";
        QTest::newRow("insurance negative replaces the hint")
            << QStringList{"120000", "10000", "-1"} << "TxtInfo_3"
            << "五险一金需大于零，请重新输入"
            << "EditSafe";
        QTest::newRow("other bonus letters: silent") << QStringList{"120000", "10000", "", "abc"} << ""
                                                     << ""
                                                     << "EditOther";
        QTest::newRow("other bonus negative: silent") << QStringList{"120000", "10000", "", "-5"} << ""
                                                      << ""
                                                      << "EditOther";
    }
    void refused() {
        QFETCH(QStringList, inputs);
        QFETCH(QString, label);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        PanelOnScreen s(kRow);
        Fill(s, {"120000", "10000"});
        drive::Enter(s.field("EditYear")); // results that the failed run must clear
        Fill(s, inputs);
        s.click("BtnCalc");
        QCOMPARE(Results(s), kCleared);
        QCOMPARE(s.text("TxtInfo_1"), label == "TxtInfo_1" ? message : QString());
        QCOMPARE(s.text("TxtInfo_2"), label == "TxtInfo_2" ? message : QString());
        QCOMPARE(s.text("TxtInfo_3"), label == "TxtInfo_3" ? message : kHint);
        QVERIFY(s.readyToRetype(focus.toLatin1().constData()));
        QCOMPARE(s.dialogs.boxes.size(), 0);
        // The fields have no change handler: typing clears nothing.
        QTest::keyClicks(s.field(focus.toLatin1().constData()), "1");
        if (!label.isEmpty()) QCOMPARE(s.text(label.toLatin1().constData()), message);
    }

    void insuranceMessageNeverGivesWayToTheHint() {
        PanelOnScreen s(kRow);
        Fill(s, {"120000", "10000", "-1"});
        s.click("BtnCalc");
        const QString message = QStringLiteral("五险一金需大于零，请重新输入");
        QCOMPARE(s.text("TxtInfo_3"), message);
        s.type("EditSafe", "0");
        s.click("BtnCalc");
        QCOMPARE(s.text("TxtAllTax"), QStringLiteral("8940.00"));
        QCOMPARE(s.text("TxtInfo_3"), message);
        s.click("BtnReset");
        QCOMPARE(s.text("TxtInfo_3"), message);
        s.toggleStayOnTop();
        QCOMPARE(s.text("TxtInfo_3"), message);
        // Only a new panel brings the hint back.
        s.choose(0);
        s.choose(kRow);
        QCOMPARE(s.text("TxtInfo_3"), kHint);
    }
};

QTEST_MAIN(TestAnnual)
#include "tst_annual.moc"
