// The machinery every panel shares: the amount reader, field writes and the Enter key.
#include "TestSupport.h"

#include "framework/AmountReader.h"
#include "framework/Fields.h"
#include "framework/Links.h"

#include <QSignalSpy>

namespace {

// A bare host with one field and its info label, as a panel would have them.
struct Host {
    QWidget window;
    QLineEdit* field = new QLineEdit(&window);
    QLineEdit* other = new QLineEdit(&window);
    QLabel* info = new QLabel(&window);
    int changes = 0;
    Host() {
        QObject::connect(field, &QLineEdit::textChanged, [this] { ++changes; });
        window.show();
        QApplication::setActiveWindow(&window);
        other->setFocus();
    }
};

} // namespace

class TestFramework : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drive::SetupApp(); }

    void readerAcceptsOrRefuses_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("rule"); // 0 income, 1 safe, 2 reverse, 3 income-or-zero
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("value"); // the general form of what is read
        QTest::addColumn<QString>("fieldAfter");
        QTest::addColumn<QString>("message");

        QTest::newRow("blanks around 1200 are trimmed") << "  1200  " << 0 << true << "1200" << "1200"
                                                        << "";
        QTest::newRow("tab and newline are trimmed") << "\t1200\n"
                                                     << 0 << true << "1200" << "1200"
                                                     << "";
        QTest::newRow("exponent 1.2e3 reads 1200") << "1.2e3" << 0 << true << "1200" << "1.2e3"
                                                   << "";
        QTest::newRow("leading plus") << "+5" << 0 << true << "5" << "+5"
                                      << "";
        QTest::newRow("thousands separator")
            << "1,200" << 0 << false << "0" << "1,200" << msg::kInvalidAmount;
        QTest::newRow("full-width digits")
            << "１２００" << 0 << false << "0" << "１２００" << msg::kInvalidAmount;
        QTest::newRow("unit after digits")
            << "1200元" << 0 << false << "0" << "1200元" << msg::kInvalidAmount;
        QTest::newRow("empty required field") << "" << 0 << false << "0" << "" << msg::kInvalidAmount;
        QTest::newRow("blank-only required field") << "   " << 0 << false << "0" << "" << msg::kInvalidAmount;
        QTest::newRow("zero where above 0 needed")
            << "0" << 0 << false << "0" << "0" << msg::kIncomeAboveZero;
        QTest::newRow("negative income") << "-5" << 0 << false << "0" << "-5" << msg::kIncomeAboveZero;
        QTest::newRow("beyond a double") << "1e400" << 0 << false << "0" << "1e400" << msg::kInvalidAmount;
        QTest::newRow("inf is no number") << "inf" << 0 << false << "0" << "inf" << msg::kInvalidAmount;
        QTest::newRow("empty insurance becomes 0.00") << "" << 1 << true << "0" << "0.00"
                                                      << "";
        QTest::newRow("zero insurance accepted") << "0" << 1 << true << "0" << "0"
                                                 << "";
        QTest::newRow("negative insurance") << "-1" << 1 << false << "0" << "-1" << msg::kSafeAboveZero;
        QTest::newRow("reverse field not a number") << "x" << 2 << false << "0" << "x" << msg::kAmountInvalid;
        QTest::newRow("reverse field zero") << "0" << 2 << false << "0" << "0" << msg::kTaxAboveZero;
        QTest::newRow("salary part zero accepted") << "0" << 3 << true << "0" << "0"
                                                   << "";
        QTest::newRow("salary part negative") << "-1" << 3 << false << "0" << "-1" << msg::kIncomeNotNegative;
    }
    void readerAcceptsOrRefuses() {
        QFETCH(QString, typed);
        QFETCH(int, rule);
        QFETCH(bool, ok);
        QFETCH(QString, value);
        QFETCH(QString, fieldAfter);
        QFETCH(QString, message);
        const AmountRule* rules[] = {&rules::kIncome, &rules::kSafe, &rules::kReverse, &rules::kIncomeOrZero};
        Host host;
        host.field->setText(typed);
        host.other->setFocus();
        const std::optional<tax::Decimal> got = ReadAmount(host.field, host.info, *rules[rule]);
        QCOMPARE(got.has_value(), ok);
        if (ok) QCOMPARE(fields::General(*got), value);
        QCOMPARE(host.field->text(), fieldAfter);
        QCOMPARE(host.info->text(), message);
        if (!ok) {
            QVERIFY(host.field->hasFocus());
            QCOMPARE(host.field->selectedText(), fieldAfter);
        } else {
            QVERIFY(host.other->hasFocus()); // a good amount leaves the focus alone
        }
    }

    void readerWithoutInfoLabelRefusesSilently() {
        Host host;
        host.info->setText(QStringLiteral("untouched"));
        host.field->setText(QStringLiteral("abc"));
        const AmountRule silent{true, true, {}, {}};
        QVERIFY(!ReadAmount(host.field, nullptr, silent));
        QVERIFY(host.field->hasFocus());
        QCOMPARE(host.field->selectedText(), QStringLiteral("abc"));
        QCOMPARE(host.info->text(), QStringLiteral("untouched"));
    }

    void writesFireTheChangeHandlerOnlyWhenTheTextChanges() {
        Host host;
        fields::Write(host.field, QStringLiteral("12"));
        QCOMPARE(host.changes, 1);
        fields::Write(host.field, QStringLiteral("12"));
        QCOMPARE(host.changes, 1);
        host.field->setText(QStringLiteral(" 12 "));
        host.changes = 0;
        ReadAmount(host.field, host.info, rules::kIncome); // trimming writes back once
        QCOMPARE(host.changes, 1);
        ReadAmount(host.field, host.info, rules::kIncome); // already trimmed: no write
        QCOMPARE(host.changes, 1);
    }

    void labelWritesFitTheLabelToItsText() {
        Host host;
        fields::Write(host.info, QStringLiteral("0.00"));
        const int narrow = host.info->width();
        fields::Write(host.info, QStringLiteral("收入金额需大于零，请重新输入"));
        QVERIFY(host.info->width() > narrow);
        QVERIFY(host.info->width() >= host.info->sizeHint().width());
    }

    void enterRunsTheHandlerWithAnyModifier_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Shift+Return") << int(Qt::Key_Return) << int(Qt::ShiftModifier);
        QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier);
        QTest::newRow("Alt+Return") << int(Qt::Key_Return) << int(Qt::AltModifier);
    }
    void enterRunsTheHandlerWithAnyModifier() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        Host host;
        int runs = 0;
        fields::OnEnter(host.field, [&] { ++runs; });
        QSignalSpy returned(host.field, &QLineEdit::returnPressed);
        QTest::keyClick(host.field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(runs, 1);
        QTest::keyClicks(host.field, QStringLiteral("12"));
        QTest::keyClick(host.field, Qt::Key_Escape);
        QCOMPARE(runs, 1); // other keys do nothing
        QCOMPARE(host.field->text(), QStringLiteral("12"));
    }

    void openerFailuresAreSilent() {
        int calls = 0;
        links::SetOpener([&](const QUrl&) -> bool {
            ++calls;
            throw std::runtime_error("no browser");
        });
        links::Open(QUrl(QStringLiteral("https://example.invalid/")));
        links::SetOpener([&](const QUrl&) {
            ++calls;
            return false;
        });
        links::Open(QUrl(QStringLiteral("https://example.invalid/")));
        links::SetOpener({});
        QCOMPARE(calls, 2);
    }
};

QTEST_MAIN(TestFramework)
#include "tst_framework.moc"
