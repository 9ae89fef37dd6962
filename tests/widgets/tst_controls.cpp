// Every control of every income-type row as the window first shows it: name, class, place,
// size, text, colour, font and visibility in the order the controls were made (which is also
// their stacking order), then the chain Tab walks from the focused field. Compared line by line
// with controls.txt beside this file. The test never writes that file: `make update-golden` sets
// QINGFU_GOLDEN_OUT, and the dump goes there for review instead of being compared.
#include "TestSupport.h"

#include "framework/CalcPanel.h"
#include "shell/IncomeRows.h"
#include "shell/UMainForm.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>

namespace {

const QString kGolden = QStringLiteral(QINGFU_TESTS_DIR "/widgets/controls.txt");

QString Quoted(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString TextOf(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) return Quoted(label->text());
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        return Quoted(edit->text()) + (edit->isReadOnly() ? QStringLiteral(" read-only") : QString());
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return Quoted(button->text());
    if (auto* box = qobject_cast<const QGroupBox*>(w)) return Quoted(box->title());
    if (auto* list = qobject_cast<const QComboBox*>(w)) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return Quoted(items.join(QLatin1Char('|'))) + QStringLiteral(" at %1%2").arg(list->currentIndex()).arg(
                                                          list->isEditable() ? QStringLiteral(" editable") : QString());
    }
    return QString();
}

QString Describe(const QWidget* w, const QWidget* panel, int depth) {
    const QRect g = w->geometry();
    const QFont f = w->font();
    QString line = QString(depth * 2, QLatin1Char(' ')) +
                   QStringLiteral("%1 %2 @%3,%4 %5x%6 %7 | %8px%9 fg %10")
                       .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
                       .arg(g.x())
                       .arg(g.y())
                       .arg(g.width())
                       .arg(g.height())
                       .arg(TextOf(w))
                       .arg(f.pixelSize())
                       .arg(f.bold() ? QStringLiteral(" bold") : QString())
                       .arg(w->palette().color(QPalette::WindowText).name());
    if (w == panel) {
        // The panel's colour as drawn: its bottom-right pixel, where no control stands.
        const QImage corner = const_cast<QWidget*>(w)->grab(QRect(g.width() - 1, g.height() - 1, 1, 1)).toImage();
        line += QStringLiteral(" bg ") + corner.pixelColor(0, 0).name();
    } else if (w->autoFillBackground()) {
        line += QStringLiteral(" bg ") + w->palette().color(QPalette::Window).name();
    }
    if (!w->isVisibleTo(panel)) line += QStringLiteral(" hidden");
    if (!w->isEnabled()) line += QStringLiteral(" disabled");
    return line;
}

void DescribeChildren(const QWidget* parent, const QWidget* panel, int depth, QStringList& out) {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow()) continue;
        out << Describe(w, panel, depth);
        // The inner parts of a list or field are Qt's, not the design's.
        if (!qobject_cast<QComboBox*>(w) && !qobject_cast<QLineEdit*>(w)) DescribeChildren(w, panel, depth + 1, out);
    }
}

// The controls Tab reaches, from the focused one round to it again.
QString TabChain(QWidget* start) {
    QStringList names;
    QWidget* w = start;
    for (int guard = 0; w && guard < 100; ++guard) {
        names << w->objectName();
        do
            w = w->nextInFocusChain();
        while (w != start && !((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()));
        if (w == start) break;
    }
    return names.join(QStringLiteral(" > "));
}

QStringList DumpRow(int row) {
    TFrmMain main;
    main.show();
    main.activateWindow();
    if (!QTest::qWaitForWindowActive(&main)) qWarning("main window not active");
    // The start-up row is already shown; choosing it again would only move the focus to the list.
    if (row != 0) drive::ChooseRow(main, row);
    TCalcPanel* panel = main.currentPanel();
    QStringList out{QStringLiteral("row %1 %2").arg(row).arg(Quoted(Child<QComboBox>(&main, "CmbType")->currentText())),
                    Describe(panel, panel, 1)};
    DescribeChildren(panel, panel, 2, out);
    QWidget* focus = main.focusWidget();
    out << QStringLiteral("  focus %1").arg(focus ? focus->objectName() : QStringLiteral("<none>"));
    if (focus) out << QStringLiteral("  tab %1").arg(TabChain(focus));
    return out;
}

} // namespace

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drive::SetupApp(); }

    void everyRowShowsItsControlsAsDesigned() {
        QStringList dump;
        for (int row = 0; row < static_cast<int>(IncomeRows().size()); ++row)
            dump << DumpRow(row);

        if (const QString out = qEnvironmentVariable("QINGFU_GOLDEN_OUT"); !out.isEmpty()) {
            QVERIFY2(out != kGolden, "the golden file changes only by review");
            QFile fresh(out);
            QVERIFY(fresh.open(QIODevice::WriteOnly | QIODevice::Truncate));
            fresh.write((dump.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
            QSKIP("the dump was written for review, not compared");
        }
        QFile golden(kGolden);
        QVERIFY2(golden.open(QIODevice::ReadOnly), qPrintable(kGolden));
        const QStringList want = QString::fromUtf8(golden.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // Line by line, so a difference names the row and the control.
        QString row;
        for (int i = 0; i < std::min(dump.size(), want.size()); ++i) {
            if (want[i].startsWith(QLatin1String("row "))) row = want[i];
            QVERIFY2(dump[i] == want[i], qPrintable(QStringLiteral("%1\n   got: %2\n  want: %3").arg(row, dump[i], want[i])));
        }
        QCOMPARE(dump.size(), want.size());
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
