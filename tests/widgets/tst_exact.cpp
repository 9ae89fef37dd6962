// Figures that binary arithmetic got wrong, typed as a person types them: edges reached by
// subtracting typed cents, taxes ending in half a cent, twelve payments making up the salary,
// cents at fourteen digits, and reverse answers too large to read back.
#include "PanelDrive.h"

namespace {

constexpr int kSalary = 0, kAnnual = 1, kYear = 2, kAward = 3, kLabour = 5;

} // namespace

class TestExact : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drive::SetupApp(); }

    void figures_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("enterIn");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("boxes");

        QTest::newRow("annual bonus of exactly 18000.00 is at 3%")
            << kAnnual << QStringList{"EditYear=93058.74", "EditSalary=6615.28", "EditOther=4324.62"} << "EditOther"
            << QStringList{"TxtYearAward=18000.00", "TxtYearTax=540.00"} << 0;
        QTest::newRow("annual bonus of exactly 420000.00 is at 25%")
            << kAnnual << QStringList{"EditYear=546123.45", "EditSalary=10510.29", "EditOther=0.03"} << "EditOther"
            << QStringList{"TxtTax=847.06", "TxtYearAward=420000.00", "TxtYearTax=103995.00", "TxtAllTax=114159.72",
                           "TxtRealIncome=431963.76"}
            << 0;
        QTest::newRow("twelve payments of a twelfth are allowed")
            << kAnnual << QStringList{"EditYear=60001.20", "EditSalary=5000.10"} << "EditSalary"
            << QStringList{"TxtTax=45.01", "TxtYearAward=0.00", "TxtAllTax=540.12"} << 0;
        QTest::newRow("twelve payments of 1000.49")
            << kAnnual << QStringList{"EditYear=12005.88", "EditSalary=1000.49"} << "EditSalary"
            << QStringList{"TxtYearAward=0.00", "TxtAllTax=0.00"} << 0;
        QTest::newRow("bonus after the shortfall is exactly 18000.00: 3%, no blind zone")
            << kAward << QStringList{"EditYear=19452.33", "EditSalary=2074.76", "EditSafe=27.09"} << "EditSafe"
            << QStringList{"TxtInfo_1=", "TxtTax2=540.00", "TxtRealIncome2=18912.33"} << 0;
        QTest::newRow("taxable 4500.00 after insurance is at 10% less 105")
            << kSalary << QStringList{"EditIncome=8192.03", "EditSafe=192.03"} << "EditSafe"
            << QStringList{"TxtTaxIncome=4500.00", "TxtRate=10%", "TxtQuick=105.00", "EditTax=345.00",
                           "EditRealIncome=7655.00"}
            << 0;
        QTest::newRow("wage tax 3120.005 rounds to 3120.01")
            << kSalary << QStringList{"EditIncome=20000.02"} << "EditIncome"
            << QStringList{"EditTax=3120.01", "EditRealIncome=16880.01"} << 0;
        QTest::newRow("bonus tax 1895.005 rounds to 1895.01")
            << kYear << QStringList{"EditIncome=20000.05"} << "EditIncome"
            << QStringList{"EditTax=1895.01", "EditRealIncome=18105.04"} << 0;
        QTest::newRow("cents at fourteen digits")
            << kSalary << QStringList{"EditIncome=12345678901234.56"} << "EditIncome"
            << QStringList{"TxtTaxIncome=12345678897734.56", "EditTax=5555555490475.55",
                           "EditRealIncome=6790123410759.01"}
            << 0;
        QTest::newRow("the largest cent amount below 10^14")
            << kSalary << QStringList{"EditIncome=99999999999999.99"} << "EditIncome"
            << QStringList{"EditTax=44999999984920.00", "EditRealIncome=55000000015079.99"} << 0;

        // A gross beyond what the reader takes: the typed figure is refused beside its field.
        QTest::newRow("wage from a tax of 1e300")
            << kSalary << QStringList{"EditIncome=5000", "EditTax=1e300"} << "EditTax"
            << QStringList{"EditIncome=5000", "EditTax=1e300", "TxtInfo_3=金额无效，请重新输入", "TxtInfo_1="} << 0;
        QTest::newRow("wage from a net of 1e300")
            << kSalary << QStringList{"EditIncome=5000", "EditRealIncome=1e300"} << "EditRealIncome"
            << QStringList{"EditIncome=5000", "EditRealIncome=1e300", "TxtInfo_4=金额无效，请重新输入"} << 0;
        QTest::newRow("bonus from a net of 1e300")
            << kYear << QStringList{"EditIncome=5000", "EditRealIncome=1e300"} << "EditRealIncome"
            << QStringList{"EditIncome=5000", "EditRealIncome=1e300", "TxtInfo_2=无效的金额，请重新输入"} << 0;
        QTest::newRow("labour from a net of 1e300")
            << kLabour << QStringList{"EditIncome=5000", "EditRealIncome=1e300"} << "EditRealIncome"
            << QStringList{"EditIncome=5000", "EditRealIncome=1e300", "TxtInfo_2=金额无效，请重新输入"} << 0;
        QTest::newRow("a net just within reach still works back")
            << kSalary << QStringList{"EditRealIncome=5.4e299"} << "EditRealIncome"
            << QStringList{"EditIncome=9.81818181818182E299", "TxtInfo_4="} << 0;
    }

    void figures() {
        QFETCH(int, row);
        QFETCH(QStringList, typed);
        QFETCH(QString, enterIn);
        QFETCH(QStringList, shown);
        QFETCH(int, boxes);
        PanelOnScreen s(row);
        for (const QString& pair : typed)
            s.type(pair.section('=', 0, 0).toLatin1().constData(), pair.section('=', 1));
        s.press(enterIn.toLatin1().constData(), Press::Enter);
        QCOMPARE(s.shown(shown), shown);
        QCOMPARE(s.dialogs.boxes.size(), boxes);
    }
};

QTEST_MAIN(TestExact)
#include "tst_exact.moc"
