// A random person at the main window: thousands of clicks, keys and pasted texts from a fixed
// seed, with every result checked after every step. Widgets are found by kind and objectName
// pattern, so every panel is covered as it is.
//
// What the checks assume of a panel:
// - result labels are the QLabels named Txt* other than TxtInfo* and TxtDetail; the result
//   fields are the QLineEdits EditTax and EditRealIncome;
// - no result ever shows "inf", "nan" or "-0.00", and a result field shows its figure from the
//   first character;
// - a 开始计算 (BtnCalc) click whose input is refused writes a message containing "无效",
//   "需大于零" or "不能小于0" into a TxtInfo* label, and then every result label reads "0.00"
//   and the result fields are empty.
// MONKEY_SEED and MONKEY_STEPS in the environment replay or lengthen a run.
#include "TestSupport.h"

#include "framework/CalcPanel.h"
#include "framework/Links.h"
#include "shell/IncomeRows.h"
#include "shell/UMainForm.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QRegularExpression>

#include <deque>
#include <map>
#include <memory>
#include <random>

namespace {

// Where the text cursor is drawn in the field: left of the first character when the text is
// seen from its start, at or past the left edge when it is scrolled.
int CursorLeft(const QLineEdit* field) {
    return field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
}

#if defined(__SANITIZE_ADDRESS__)
constexpr int kDefaultSteps = 15000; // a few tens of seconds under the sanitizers
#else
constexpr int kDefaultSteps = 30000;
#endif
constexpr unsigned kDefaultSeed = 20261207;

// Where a line edit's cursor stands when it is before the first character and nothing is
// scrolled: the frame and the edit's own margin.
constexpr int kFirstCharacterAt = 8;

bool IsResultLabel(const QString& name) {
    return name.startsWith(QLatin1String("Txt")) && !name.startsWith(QLatin1String("TxtInfo")) &&
           name != QLatin1String("TxtDetail");
}

bool IsResultField(const QString& name) {
    return name == QLatin1String("EditTax") || name == QLatin1String("EditRealIncome");
}

bool IsRefusal(const QString& info) {
    return info.contains(QStringLiteral("无效")) || info.contains(QStringLiteral("需大于零")) ||
           info.contains(QStringLiteral("不能小于0"));
}

// Without leading and trailing characters of code 32 or less, as the amount reader trims.
QString Trimmed(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

// What no amount on screen may ever look like.
bool ShowsNoAmount(const QString& text) {
    return text.contains(QLatin1String("inf"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("nan"), Qt::CaseInsensitive) ||
           text.trimmed() == QLatin1String("-0.00");
}

class Monkey {
public:
    Monkey(TFrmMain& main, unsigned seed) : main_(main), rng_(seed) {}

    // One random action; returns what it did, for the failure report.
    QString Step() {
        static const std::discrete_distribution<int> kinds{{
            6,  // choose an income type by mouse
            6,  // arrow keys on a list
            30, // type into a field
            14, // paste into a field
            14, // Enter in a field
            18, // click a button
            3,  // Tab
            2,  // stay-on-top switch
            2,  // a list of the panel by mouse
            1,  // the help link or the web-site item
        }};
        auto dist = kinds;
        QString done = Act(dist(rng_));
        // A panel without fields or buttons (the separators' empty one): choose another row.
        if (done.startsWith(QLatin1String("(no")))
            done = ChooseByMouse(TypeList(), Uniform(0, TypeList()->count() - 1));
        return done;
    }

    QString Act(int kind) {
        switch (kind) {
        case 0:
            return ChooseByMouse(TypeList(), Uniform(0, TypeList()->count() - 1));
        case 1:
            return ArrowKeys();
        case 2:
            return Type(false);
        case 3:
            return Type(true);
        case 4:
            return EnterInField();
        case 5:
            return ClickButton();
        case 6:
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &main_, Qt::Key_Tab);
            return QStringLiteral("Tab");
        case 7:
            main_.findChild<QAction*>(QStringLiteral("Menu_Tool_Top"))->trigger();
            return QStringLiteral("stay-on-top switch");
        case 8: {
            const QList<QComboBox*> lists = PanelLists();
            if (lists.isEmpty()) return QStringLiteral("(no list on the panel)");
            QComboBox* list = lists[Uniform(0, lists.size() - 1)];
            return ChooseByMouse(list, Uniform(0, list->count() - 1));
        }
        default:
            return Link();
        }
    }

    // Empty when the window is sound; else what is wrong.
    QString Check(const QString& action) const {
        TCalcPanel* panel = Panel();
        if (!panel) return QStringLiteral("no panel shown");
        for (QLabel* label : panel->findChildren<QLabel*>())
            if (IsResultLabel(label->objectName()) && ShowsNoAmount(label->text()))
                return QStringLiteral("%1 shows \"%2\"").arg(label->objectName(), label->text());
        for (QLineEdit* field : panel->findChildren<QLineEdit*>()) {
            if (!IsResultField(field->objectName())) continue;
            // What the monkey typed itself is its input, not a result, also once a reverse
            // calculation has trimmed it.
            if (typed_.count(field) &&
                (typed_.at(field) == field->text() || Trimmed(typed_.at(field)) == field->text()))
                continue;
            if (ShowsNoAmount(field->text()))
                return QStringLiteral("%1 shows \"%2\"").arg(field->objectName(), field->text().left(80));
            // A written figure wider than its field is seen from its first character.
            const bool wide = field->fontMetrics().horizontalAdvance(field->text()) > field->width() - 8;
            if (wide && !field->hasFocus() && CursorLeft(field) > kFirstCharacterAt)
                return QStringLiteral("%1 shows \"%2\" scrolled from its start")
                    .arg(field->objectName(), field->text().left(80));
        }
        if (action.startsWith(QLatin1String("click BtnCalc")) && refusedByCalc_) {
            for (QLabel* label : panel->findChildren<QLabel*>())
                if (IsResultLabel(label->objectName()) && label->isVisibleTo(panel) &&
                    label->text() != QLatin1String("0.00"))
                    return QStringLiteral("after a refused calculation %1 shows \"%2\"")
                        .arg(label->objectName(), label->text());
            for (QLineEdit* field : panel->findChildren<QLineEdit*>())
                if (IsResultField(field->objectName()) && !field->text().isEmpty())
                    return QStringLiteral("after a refused calculation %1 holds \"%2\"")
                        .arg(field->objectName(), field->text().left(80));
        }
        return {};
    }

    QStringList opened; // addresses the links asked for

private:
    TCalcPanel* Panel() const { return main_.currentPanel(); }
    QComboBox* TypeList() const { return main_.findChild<QComboBox*>(QStringLiteral("CmbType")); }

    int Uniform(qsizetype lo, qsizetype hi) {
        return static_cast<int>(std::uniform_int_distribution<qsizetype>(lo, hi)(rng_));
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }

    QString ChooseByMouse(QComboBox* list, int row) {
        QTest::mouseClick(list, Qt::LeftButton, {}, list->rect().center());
        QAbstractItemView* view = list->view();
        QString what = QStringLiteral("mouse %1 row %2").arg(list->objectName()).arg(row);
        if (!view->isVisible()) return what + QStringLiteral(" (no popup)");
        const QModelIndex index = list->model()->index(row, list->modelColumn(), list->rootModelIndex());
        view->scrollTo(index);
        const QPoint at = view->visualRect(index).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        if (view->isVisible()) {
            // A click too soon after opening is taken as the end of the opening click.
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        }
        if (view->isVisible()) {
            list->hidePopup();
            ++missedPopupClicks;
            return what + QStringLiteral(" (popup stayed open)");
        }
        return what;
    }

    QString ArrowKeys() {
        QList<QComboBox*> lists = PanelLists();
        lists.prepend(TypeList());
        QComboBox* list = Chance(0.7) ? TypeList() : lists[Uniform(0, lists.size() - 1)];
        static const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_Up,  Qt::Key_Down,     Qt::Key_Up,
                                       Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown, Qt::Key_PageUp};
        const Qt::Key key = keys[Uniform(0, std::size(keys) - 1)];
        list->setFocus();
        QTest::keyClick(list, key);
        return QStringLiteral("key %1 on %2").arg(int(key), 0, 16).arg(list->objectName());
    }

    QList<QComboBox*> PanelLists() const {
        QList<QComboBox*> lists;
        for (QComboBox* list : Panel()->findChildren<QComboBox*>())
            if (list->isVisibleTo(Panel()) && list->isEnabled()) lists << list;
        return lists;
    }

    QLineEdit* AnyField() {
        QList<QLineEdit*> fields;
        for (QLineEdit* f : Panel()->findChildren<QLineEdit*>())
            if (f->isVisibleTo(Panel()) && f->isEnabled()) fields << f;
        return fields.isEmpty() ? nullptr : fields[Uniform(0, fields.size() - 1)];
    }

    QString RandomText() {
        static const QStringList kOdd{"-0",
                                      "-0.0",
                                      "-0.00",
                                      "-0e5",
                                      "+0",
                                      "0",
                                      "0.00",
                                      "-.0",
                                      "1e308",
                                      "1e300",
                                      "9.99e299",
                                      "1e301",
                                      "-1e300",
                                      "1E300",
                                      "1e-300",
                                      "1e-400",
                                      "1e-5",
                                      "2.5E-7",
                                      "1e99999999999",
                                      "4.9406564584124654e-324",
                                      "１２３４５",
                                      "１２００.５",
                                      "１e３",
                                      "1,200",
                                      "¥100",
                                      "100元",
                                      "inf",
                                      "-inf",
                                      "nan",
                                      "NaN",
                                      "0x1A",
                                      "1e",
                                      "e5",
                                      ".",
                                      "+",
                                      "-",
                                      "+.5",
                                      "5.",
                                      "1.2.3",
                                      "--5",
                                      "1e+",
                                      "9999999999999999999999",
                                      "0.005",
                                      "0.015",
                                      "2.675",
                                      "-2.675",
                                      "12.5",
                                      "0.125",
                                      "１",
                                      "٣",
                                      "1 200",
                                      "1_000"};
        switch (Uniform(0, 6)) {
        case 0:
        case 1: { // an ordinary amount
            QString s = QString::number(Uniform(0, 200000));
            if (Chance(0.4)) s += QLatin1Char('.') + QString::number(Uniform(0, 99));
            if (Chance(0.1)) s.prepend(QLatin1Char('-'));
            return s;
        }
        case 2:
        case 3:
            return kOdd[Uniform(0, kOdd.size() - 1)];
        case 4: { // blanks and control characters around or inside
            static const QString kControls = QStringLiteral(" \t\x01\x7f\r\n\x1b\x0b\x0c");
            QString s = QString::number(Uniform(1, 99999));
            for (int n = Uniform(1, 4); n > 0; --n)
                s.insert(Uniform(0, s.size()), kControls[Uniform(0, kControls.size() - 1)]);
            return s;
        }
        case 5: { // very long
            QString s(Uniform(200, 20000), QLatin1Char('9'));
            if (Chance(0.5)) s.insert(Uniform(0, s.size()), QLatin1Char('.'));
            if (Chance(0.3)) s += QStringLiteral("e-") + QString::number(Uniform(0, 400));
            return s;
        }
        default: { // anything at all
            QString s;
            for (int n = Uniform(1, 12); n > 0; --n) {
                const char32_t c = Chance(0.5)   ? char32_t(Uniform(0x20, 0x7e))
                                   : Chance(0.5) ? char32_t(Uniform(0x4e00, 0x9fa5))
                                                 : char32_t(Uniform(0xff01, 0xff5e));
                s += QString::fromUcs4(&c, 1);
            }
            return s;
        }
        }
    }

    // Keys for ASCII, the input method's commit for the rest (Chinese, full-width forms).
    static void TypeText(QLineEdit* field, const QString& text) {
        QString composed;
        auto commit = [&] {
            if (composed.isEmpty()) return;
            QInputMethodEvent event;
            event.setCommitString(composed);
            QApplication::sendEvent(field, &event);
            composed.clear();
        };
        for (QChar c : text) {
            if (c.unicode() >= 0x20 && c.unicode() < 0x7f) {
                commit();
                QTest::keyClick(field, c.toLatin1());
            } else {
                composed += c;
            }
        }
        commit();
    }

    QString Type(bool paste) {
        QLineEdit* field = AnyField();
        if (!field) return QStringLiteral("(no field)");
        QString text = RandomText();
        field->setFocus();
        if (Chance(0.7)) QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier); // replace, not append
        const bool printable =
            text.size() <= 40 && !text.contains(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")));
        if (paste || !printable) {
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        } else {
            TypeText(field, text);
        }
        if (IsResultField(field->objectName())) typed_[field] = field->text();
        return QStringLiteral("%1 %2 \"%3\"")
            .arg(paste ? "paste" : "type", field->objectName(), text.left(60));
    }

    QString EnterInField() {
        QLineEdit* field = AnyField();
        if (!field) return QStringLiteral("(no field)");
        static const Qt::KeyboardModifiers mods[] = {Qt::NoModifier,    Qt::NoModifier,
                                                     Qt::ShiftModifier, Qt::ControlModifier,
                                                     Qt::AltModifier,   Qt::KeypadModifier};
        const Qt::KeyboardModifiers mod = mods[Uniform(0, std::size(mods) - 1)];
        field->setFocus();
        QTest::keyClick(field, mod == Qt::KeypadModifier ? Qt::Key_Enter : Qt::Key_Return, mod);
        return QStringLiteral("Enter in %1").arg(field->objectName());
    }

    QString ClickButton() {
        QList<QPushButton*> buttons;
        for (QPushButton* b : Panel()->findChildren<QPushButton*>())
            if (b->isVisibleTo(Panel()) && b->isEnabled()) buttons << b;
        if (buttons.isEmpty()) return QStringLiteral("(no button)");
        QPushButton* button = buttons[Uniform(0, buttons.size() - 1)];
        const QString name = button->objectName();
        // Which info labels held a refusal before: a refusal counts only when it is new.
        std::map<QString, QString> before;
        for (QLabel* label : Panel()->findChildren<QLabel*>())
            if (label->objectName().startsWith(QLatin1String("TxtInfo")))
                before[label->objectName()] = label->text();
        QTest::mouseClick(button, Qt::LeftButton);
        refusedByCalc_ = false;
        if (name == QLatin1String("BtnCalc") && Panel())
            for (QLabel* label : Panel()->findChildren<QLabel*>())
                if (label->objectName().startsWith(QLatin1String("TxtInfo")) && IsRefusal(label->text()) &&
                    before[label->objectName()] != label->text())
                    refusedByCalc_ = true;
        return QStringLiteral("click %1 \"%2\"%3")
            .arg(name, button->text(), refusedByCalc_ ? " (refused)" : "");
    }

    QString Link() {
        if (auto* detail = Panel()->findChild<TLinkLabel*>(QStringLiteral("TxtDetail"));
            detail && detail->isVisibleTo(Panel()) && Chance(0.5)) {
            QTest::mouseClick(detail, Qt::LeftButton);
            return QStringLiteral("click TxtDetail");
        }
        main_.findChild<QAction*>(QStringLiteral("Menu_Help_Home"))->trigger();
        return QStringLiteral("web-site item");
    }

public:
    int missedPopupClicks = 0;

private:
    TFrmMain& main_;
    std::mt19937 rng_;
    std::map<QLineEdit*, QString> typed_;
    bool refusedByCalc_ = false;
};

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drive::SetupApp(); }

    void randomPersonNeverBreaksTheWindow() {
        const unsigned seed = qEnvironmentVariableIsSet("MONKEY_SEED")
                                  ? qEnvironmentVariableIntValue("MONKEY_SEED")
                                  : kDefaultSeed;
        const int steps = qEnvironmentVariableIsSet("MONKEY_STEPS")
                              ? qEnvironmentVariableIntValue("MONKEY_STEPS")
                              : kDefaultSteps;
        qInfo("monkey seed %u, %d steps (MONKEY_SEED=%u replays this run)", seed, steps, seed);

        // The offscreen platform cannot raise popups or grab the keyboard for them; it says so
        // on every opened list, which would bury the run's own report.
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                if (text.contains(QLatin1String("This plugin does not support"))) return;
                previous(type, context, text);
            });
        RecordingDialogs dialogs;
        QStringList opened;
        links::SetOpener([&opened](const QUrl& url) {
            opened << url.toString();
            return true;
        });
        {
            TFrmMain main;
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            Monkey monkey(main, seed);
            std::deque<QString> recent;
            std::map<QString, int> panelsSeen;
            std::map<QString, int> kinds; // actions by their first word
            int refused = 0;
            for (int step = 0; step < steps; ++step) {
                const QString action = monkey.Step();
                recent.push_back(action);
                if (recent.size() > 12) recent.pop_front();
                if (action.contains(QLatin1String("(refused)"))) ++refused;
                ++kinds[action.section(QLatin1Char(' '), 0, 1)];
                if (main.currentPanel()) ++panelsSeen[main.currentPanel()->objectName()];
                const QString problem = monkey.Check(action);
                if (!problem.isEmpty()) {
                    QStringList log(recent.begin(), recent.end());
                    QFAIL(qPrintable(QStringLiteral("step %1 (seed %2): %3\nlast actions:\n  %4")
                                         .arg(step)
                                         .arg(seed)
                                         .arg(problem, log.join(QStringLiteral("\n  ")))));
                }
                if (dialogs.boxes.size() > 100) dialogs.boxes.clear();
            }
            qInfo(
                "panels met: %d, refused calculations checked: %d, boxes answered: %lld, links: %lld, popup "
                "clicks that missed: %d",
                int(panelsSeen.size()), refused, qlonglong(dialogs.boxes.size()), qlonglong(opened.size()),
                monkey.missedPopupClicks);
            QStringList counts;
            for (const auto& [kind, n] : kinds)
                counts << QStringLiteral("%1: %2").arg(kind).arg(n);
            qInfo("actions: %s", qPrintable(counts.join(QStringLiteral(", "))));
            // The monkey must have met every kind of panel the list offers, or it tested little.
            for (int row = 0; row < int(IncomeRows().size()); ++row) {
                std::unique_ptr<TCalcPanel> panel(CreatePanel(row, nullptr));
                QVERIFY2(panelsSeen.count(panel->objectName()),
                         qPrintable(QStringLiteral("never met %1").arg(panel->objectName())));
            }
        }
        links::SetOpener({});
        qInstallMessageHandler(previous);
    }
};

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
