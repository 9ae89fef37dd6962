// The machinery every panel shares: the amount reader, field writes and the Enter key.
#include "TestSupport.h"

#include "framework/AmountReader.h"
#include "framework/CalcPanel.h"
#include "framework/Fields.h"
#include "framework/Links.h"
#include "framework/Windows.h"

#include <QDialog>
#include <QDir>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <csignal>
#include <functional>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Where the text cursor is drawn in the field: left of the first character when the text is
// seen from its start, at or past the left edge when it is scrolled.
int CursorLeft(const QLineEdit* field) {
    return field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
}

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

// A panel made from a table given by the test.
class TTablePanel : public TCalcPanel {
public:
    TTablePanel(std::span<const Control> controls) : TCalcPanel(nullptr, QStringLiteral("FrmTable"), {200, 100}, controls) {}
    using TCalcPanel::Find;
    using TCalcPanel::Read;
};

// Runs `act` in a child process; what it wrote on standard error if it was stopped by abort(),
// else a note of how it ended.
QString AbortMessage(const std::function<void()>& act) {
    QTemporaryFile err;
    if (!err.open()) return QStringLiteral("no scratch file");
    const pid_t child = fork();
    if (child == 0) {
        // The program's own ways: Qt's message to standard error, then the plain abort.
        qInstallMessageHandler(nullptr);
        std::signal(SIGABRT, SIG_DFL);
        dup2(err.handle(), STDERR_FILENO);
        act();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGABRT) return QStringLiteral("ended without abort");
    err.seek(0);
    return QString::fromUtf8(err.readAll());
}

} // namespace

class TestFramework : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drive::SetupApp(); }

    // A name the layout table does not hold stops the program at once, in every build, naming it.
    void missingNamesStopLoudly_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("named");
        QTest::newRow("a field reports to a label the table lacks") << 0 << "TxtGone";
        QTest::newRow("a control stands in a group the table lacks") << 1 << "GroupGone";
        QTest::newRow("a control looked up that the table lacks") << 2 << "TxtNone";
        QTest::newRow("a field read that its row gives no rule") << 3 << "EditPlain";
    }
    void missingNamesStopLoudly() {
        QFETCH(int, fault);
        QFETCH(QString, named);
        using namespace layout;
        const Control reports[]{Field("EditA", 0, 0).Reports("TxtGone", rules::kIncome)};
        const Control grouped[]{Caption("StaticText1", "x", 0, 0).In("GroupGone")};
        const Control plain[]{Field("EditPlain", 0, 0), Info("TxtInfo", 0, 30)};
        const QString message = AbortMessage([&] {
            if (fault == 0) TTablePanel{reports};
            if (fault == 1) TTablePanel{grouped};
            TTablePanel panel{plain};
            if (fault == 2) panel.Find<QLabel>("TxtNone");
            if (fault == 3) (void)panel.Read(panel.Find<QLineEdit>("EditPlain"));
        });
        QVERIFY2(message.contains(named), qPrintable(message));
        QVERIFY2(message.contains(QLatin1String("FrmTable")), qPrintable(message));
    }

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

    // The tool windows' reader takes what a payroll sheet holds, as the batch does, and says
    // of each refusal which field and what is wrong; it leaves the text and the focus alone.
    void typedReaderReadsAsTheBatch_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("rule"); // 0 optional, 1 required above 0 in whole fen up to 10^15
        QTest::addColumn<QString>("value"); // empty: refused
        QTest::addColumn<QString>("message");
        const QString notAmount = QStringLiteral("五险一金不是金额：请输入数字，如 300000 或 300,000.00");
        QTest::newRow("separators") << "300,000.00" << 1 << "300000" << "";
        QTest::newRow("yuan sign, blanks") << " ¥ 2000 " << 1 << "2000" << "";
        QTest::newRow("full-width yuan sign") << "￥2,000" << 0 << "2000" << "";
        QTest::newRow("yuan after") << "2000元" << 0 << "2000" << "";
        QTest::newRow("full-width digits and point") << "２０００．５" << 0 << "2000.5" << "";
        QTest::newRow("exponent") << "1.5e3" << 0 << "1500" << "";
        QTest::newRow("empty optional is 0") << "" << 0 << "0" << "";
        QTest::newRow("empty required: nothing yet") << "  " << 1 << "" << "";
        QTest::newRow("separators out of place") << "30,00" << 0 << "" << notAmount;
        QTest::newRow("letters") << "abc" << 0 << "" << notAmount;
        QTest::newRow("negative") << "-0.01" << 0 << "" << "五险一金不能为负数";
        QTest::newRow("full-width minus") << "－５" << 0 << "" << "五险一金不能为负数";
        QTest::newRow("zero where above 0") << "0.00" << 1 << "" << "五险一金需大于0";
        QTest::newRow("at the limit") << "1000000000000000" << 1 << "1E15" << "";
        QTest::newRow("above the limit") << "1000000000000000.01" << 1 << ""
                                         << "五险一金过大，不能大于 1000000000000000.00 元";
        QTest::newRow("38 digits") << "12345678901234567890123456789012345678" << 1 << ""
                                   << "五险一金过大，不能大于 1000000000000000.00 元";
        QTest::newRow("38 negative digits") << "-12345678901234567890123456789012345678" << 0 << ""
                                            << "五险一金不能为负数";
        QTest::newRow("fraction of a fen") << "0.001" << 1 << "" << "五险一金只能精确到分";
        QTest::newRow("fraction of a fen, 38 digits") << "1.0000000000000000000000000000000000001" << 1 << ""
                                                      << "五险一金只能精确到分";
        QTest::newRow("38 digits where fractions may be") << "1.0000000000000000000000000000000000001" << 0 << ""
                                                          << "五险一金的有效数字超过 34 位，无法精确计算";
    }
    void typedReaderReadsAsTheBatch() {
        QFETCH(QString, typed);
        QFETCH(int, rule);
        QFETCH(QString, value);
        QFETCH(QString, message);
        const amounts::Rule rules[] = {amounts::kOptional, {QString(), true, false, tax::Decimal::Scaled(1, 15), true}};
        Host host;
        host.field->setAccessibleName(QStringLiteral("五险一金")); // the name a message says
        host.field->setText(typed);
        host.other->setFocus();
        const std::optional<tax::Decimal> got = amounts::ReadTyped(host.field, host.info, rules[rule]);
        QCOMPARE(got ? fields::General(*got) : QString(), value);
        QCOMPARE(host.info->text(), message);
        QCOMPARE(host.field->text(), typed);
        QVERIFY(host.other->hasFocus());
        QCOMPARE(host.field->styleSheet().isEmpty(), message.isEmpty()); // tinted while refused
        // The same words from the reader without a field, given the name.
        amounts::Rule named = rules[rule];
        named.name = QStringLiteral("五险一金");
        QCOMPARE(amounts::Read(typed, named).error, message);
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

    // A figure is read from its first digit: a view scrolled to its end would show a wrong
    // amount. What does not fit is in the tooltip, whole.
    void figuresShowFromTheirFirstCharacter_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("fits") << "12.50";
        QTest::newRow("a reverse result wider than the field") << "6161.11111111111";
        QTest::newRow("far wider") << QString(80, QLatin1Char('9')) + ".25";
    }
    void figuresShowFromTheirFirstCharacter() {
        QFETCH(QString, text);
        Host host;
        host.field->setGeometry(0, 0, 121, 24);
        host.info->move(host.window.width() - 60, 0);
        const bool wide = host.field->fontMetrics().horizontalAdvance(text) > host.field->width() - 8;
        const int start = CursorLeft(host.field); // where the first character sits
        fields::Write(host.field, QString());
        fields::Write(host.field, text);
        QCOMPARE(CursorLeft(host.field), start);
        QCOMPARE(host.field->toolTip(), wide ? text : QString());
        // Focused and selected for the next entry, still from the start.
        fields::FocusAll(host.field);
        QCOMPARE(host.field->selectedText(), text);
        QCOMPARE(CursorLeft(host.field), start);
        // A label runs on past its parent's edge; the tooltip then carries the whole text.
        fields::Write(host.info, text);
        QCOMPARE(host.info->x(), host.window.width() - 60);
        QCOMPARE(host.info->toolTip(), host.info->geometry().right() >= host.window.width() ? text : QString());
        QCOMPARE(host.info->toolTip().isEmpty(), text.size() < 8);
    }

    // Wherever a window first appears, its title bar and top-left are on the available area.
    void windowsAppearWithTheirTopLeftOnTheScreen_data() {
        QTest::addColumn<QSize>("size");       // of the window, as a share of the area in percent
        QTest::addColumn<QPoint>("parentAt"); // where a parent window stands; none when negative
        QTest::newRow("small: centred") << QSize(50, 50) << QPoint(-1, -1);
        QTest::newRow("taller than the area") << QSize(50, 150) << QPoint(-1, -1);
        QTest::newRow("larger both ways") << QSize(130, 170) << QPoint(-1, -1);
        QTest::newRow("dialog over a parent at the bottom right") << QSize(30, 30) << QPoint(80, 85);
        QTest::newRow("dialog larger than the area") << QSize(120, 110) << QPoint(10, 10);
    }
    void windowsAppearWithTheirTopLeftOnTheScreen() {
        QFETCH(QSize, size);
        QFETCH(QPoint, parentAt);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QSize want(area.width() * size.width() / 100, area.height() * size.height() / 100);
        QWidget parent;
        std::unique_ptr<QWidget> window;
        if (parentAt.x() >= 0) {
            parent.resize(area.size() / 3);
            parent.move(area.topLeft() + QPoint(area.width() * parentAt.x() / 100, area.height() * parentAt.y() / 100));
            parent.show();
            window = std::make_unique<QDialog>(&parent);
        } else {
            window = std::make_unique<QWidget>();
        }
        window->resize(want);
        windows::PlaceOnScreen(window.get());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QRect frame = window->frameGeometry();
        QVERIFY2(area.contains(frame.topLeft()), qPrintable(QStringLiteral("top-left at %1,%2").arg(frame.x()).arg(frame.y())));
        // Each way: the whole window on the area if it fits, else from the area's edge.
        if (frame.width() > area.width())
            QCOMPARE(frame.left(), area.left());
        else
            QVERIFY(frame.right() <= area.right());
        if (frame.height() > area.height())
            QCOMPARE(frame.top(), area.top());
        else
            QVERIFY(frame.bottom() <= area.bottom());
        // Centred on the area, or on the parent as far as the area allows.
        const QRect over = parentAt.x() >= 0 ? parent.frameGeometry() : area;
        if (frame.width() <= area.width() && parentAt.x() < 0) QVERIFY(qAbs(frame.center().x() - over.center().x()) <= 1);
        if (frame.height() <= area.height() && parentAt.x() < 0) QVERIFY(qAbs(frame.center().y() - over.center().y()) <= 1);
        // A second showing leaves a window where the person put it.
        window->hide();
        window->move(area.topLeft() + QPoint(7, 9));
        window->show();
        QCOMPARE(window->pos(), area.topLeft() + QPoint(7, 9));
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

    // A page no browser opens is named in a box, so the person can open it another way; one
    // that opens shows nothing.
    void openerFailureIsToldWithTheAddress() {
        RecordingDialogs dialogs;
        const QUrl page = links::SiteAddress(QStringLiteral("online/001.html#plan"));
        QCOMPARE(page.fragment(), QStringLiteral("plan"));
        QVERIFY(page.toLocalFile().endsWith(QStringLiteral("/online/001.html")));
        int calls = 0;
        links::SetOpener([&](const QUrl&) -> bool {
            ++calls;
            throw std::runtime_error("no browser");
        });
        links::Open(page);
        links::SetOpener([&](const QUrl&) { return ++calls == 0; });
        links::Open(QUrl(QStringLiteral("https://example.invalid/a")));
        links::SetOpener([&](const QUrl&) { return ++calls > 0; });
        links::Open(page);
        links::SetOpener({});
        QCOMPARE(calls, 3);
        QCOMPARE(dialogs.boxes.size(), 2);
        QVERIFY(dialogs.boxes[0].text.startsWith(QStringLiteral("无法打开浏览器")));
        QVERIFY(dialogs.boxes[0].text.endsWith(QDir::toNativeSeparators(page.toLocalFile())));
        QVERIFY(dialogs.boxes[1].text.endsWith(QStringLiteral("https://example.invalid/a")));
    }
};

QTEST_MAIN(TestFramework)
#include "tst_framework.moc"
