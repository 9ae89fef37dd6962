// The four flat-rate panels: one calculation at 20% of the whole amount, run on each of them.
#include "PanelDrive.h"

namespace {
struct FlatRow {
    int row;
    const char* className;
};
const FlatRow kFlatRows[] = {
    {8, "TFrmProperty"},
    {14, "TFrmInterest"},
    {15, "TFrmChance"},
    {16, "TFrmOther"},
};
} // namespace

class TestFlat : public QObject {
    Q_OBJECT

    // The same case once for each of the four panels.
    template <class AddRow> static void ForEachPanel(const char* what, AddRow add) {
        for (const FlatRow& f : kFlatRows)
            add(QTest::newRow(QByteArray(f.className) + ": " + what) << f.row);
    }

private slots:
    void initTestCase() { drive::SetupApp(); }

    void calculation_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        const struct {
            const char* what;
            const char* typed;
            QStringList shown;
        } cases[] = {
            {"a cent is taxed",
             "0.01",
             {"TxtTaxIncome=0.01", "TxtRate=20%", "EditTax=0.00", "EditRealIncome=0.01", "TxtInfo="}},
            {"one yuan", "1", {"TxtTaxIncome=1.00", "EditTax=0.20", "EditRealIncome=0.80"}},
            {"1000",
             "1000",
             {"TxtTaxIncome=1000.00", "TxtRate=20%", "EditTax=200.00", "EditRealIncome=800.00"}},
            {"each figure rounded from full precision",
             "12345.67",
             {"TxtTaxIncome=12345.67", "EditTax=2469.13", "EditRealIncome=9876.54"}},
            {"trimmed and exponent",
             " 1.5E6\t",
             {"EditIncome=1.5E6", "TxtTaxIncome=1500000.00", "EditTax=300000.00"}},
            {"thousands separator",
             "1,000",
             {"TxtInfo=无效的金额，请重新输入", "TxtTaxIncome=0.00", "TxtRate=0.00",
              "EditTax=", "EditRealIncome="}},
            {"letters", "abc", {"TxtInfo=无效的金额，请重新输入", "EditTax="}},
            {"empty", "", {"TxtInfo=无效的金额，请重新输入", "EditRealIncome="}},
            {"zero", "0", {"TxtInfo=收入金额需大于零，请重新输入", "TxtTaxIncome=0.00", "EditTax="}},
            {"negative", "-20", {"TxtInfo=收入金额需大于零，请重新输入", "TxtRate=0.00"}},
        };
        for (const auto& c : cases)
            ForEachPanel(c.what, [&](QTestData& row) { row << QString::fromUtf8(c.typed) << c.shown; });
    }
    void calculation() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        PanelOnScreen s(row);
        s.run("777"); // a failed input must not keep these figures
        s.run(typed, Press::Click);
        QCOMPARE(s.shown(shown), shown);
        // After figures or a message alike the income is selected for the next amount.
        QVERIFY(s.readyToRetype("EditIncome"));
    }

    void typingEmptiesTheMessage_data() {
        QTest::addColumn<int>("row");
        ForEachPanel("", [](QTestData&) {});
    }
    void typingEmptiesTheMessage() {
        QFETCH(int, row);
        PanelOnScreen s(row);
        s.run("1000");
        s.run("1000x");
        QCOMPARE(s.text("TxtInfo"), QStringLiteral("无效的金额，请重新输入"));
        auto* income = s.field("EditIncome");
        QTest::keyClick(income, Qt::Key_End);
        QTest::keyClick(income, Qt::Key_Backspace);
        QCOMPARE(s.text("TxtInfo"), QString());
        QCOMPARE(s.text("EditTax"), QString());
        drive::Enter(income, Qt::ShiftModifier);
        QCOMPARE(s.text("EditTax"), QStringLiteral("200.00"));
    }
};

QTEST_MAIN(TestFlat)
#include "tst_flat.moc"
