#include "TestSupport.h"

#include "shell/App.h"
#include "tools/batch/UFrmBatch.h"
#include "shell/UMainForm.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QComboBox>
#include <QSettings>
#include <QTemporaryDir>

void RecordingDialogs::Message(QWidget* owner, const QString& caption, const QString& text,
                               QMessageBox::Icon icon) {
    boxes.append({caption, text, icon, owner});
    if (onMessage) onMessage();
}

QString RecordingDialogs::SaveFileName(QWidget*, const QString& filter, const QString&, const QString& start) {
    saveFilters.append(filter);
    starts.append(start);
    return saveAnswer;
}

QString RecordingDialogs::OpenFileName(QWidget*, const QString&, const QString& start) {
    starts.append(start);
    return openAnswer;
}

QStringList RecordingDialogs::OpenFileNames(QWidget*, const QString&, const QString& start) {
    starts.append(start);
    if (!openAnswers.isEmpty()) return openAnswers;
    return openAnswer.isEmpty() ? QStringList() : QStringList{openAnswer};
}

bool RecordingDialogs::QuestionYes(QWidget*, const QString&, const QString& text) {
    questions.append(text);
    return questionYesAnswer;
}

bool RecordingDialogs::Question(QWidget*, const QString&, const QString& text) {
    questions.append(text);
    return questionAnswer;
}

QString RecordingDialogs::Choose(QWidget*, const QString&, const QString& text, const QStringList& items) {
    choices.append(text);
    return items.contains(chooseAnswer) ? chooseAnswer : QString();
}

namespace drive {

void SetupApp() {
    static bool done = false;
    if (done) return;
    done = true;
    SetupApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    // What the program remembers goes to a folder of this run's own, so runs do not depend on
    // each other or on the person running them.
    static QTemporaryDir store;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
}

void ChooseRow(TFrmMain& main, int row) {
    auto* list = main.findChild<QComboBox*>(QStringLiteral("CmbType"));
    list->setFocus();
    while (list->currentIndex() < row)
        QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > row)
        QTest::keyClick(list, Qt::Key_Up);
    // Done choosing: leaving the list puts the focus into the panel's first field.
    QTest::keyClick(list, Qt::Key_Tab);
}

void Retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    // QTest::keyClicks takes only Latin-1; other characters (full-width digits, 元) arrive as
    // key events carrying their text, which is how an input method hands them over.
    for (QChar ch : text) {
        if (ch.unicode() < 128)
            QTest::keyClick(field, ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

void Enter(QWidget* widget, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(widget, Qt::Key_Return, modifiers);
}

QString TextOf(QWidget* root, const char* name) {
    QObject* child = root->findChild<QObject*>(QString::fromLatin1(name));
    if (auto* label = qobject_cast<QLabel*>(child)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(child)) return edit->text();
    return QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

void WaitForWork(TFrmBatch* w) {
    if (!w->IsBusy()) return;
    QSignalSpy done(w, &TFrmBatch::WorkFinished);
    QVERIFY(done.wait(20000));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList PdfPages(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    pages.removeLast();
    return pages;
}

} // namespace drive
