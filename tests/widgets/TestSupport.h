#pragma once
// Shared by the widget tests: driving the program as a person does, offscreen, with the
// modal boxes answered at once.

#include "framework/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

class TFrmBatch;
class TFrmMain;
class QWidget;

// Records every box and save dialog instead of showing it; the save dialog answers with
// `saveAnswer` (empty: cancel).
class RecordingDialogs : public dialogs::Host {
public:
    struct Box {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
        QWidget* owner;
    };
    RecordingDialogs() { dialogs::SetHost(this); }
    ~RecordingDialogs() override { dialogs::SetHost(nullptr); }

    void Message(QWidget* owner, const QString& caption, const QString& text,
                 QMessageBox::Icon icon) override;
    QString SaveFileName(QWidget* owner, const QString& filter, const QString& defaultSuffix,
                         const QString& start = QString()) override;
    QString OpenFileName(QWidget* owner, const QString& filter, const QString& start = QString()) override;
    // `openAnswers` when given, else `openAnswer` alone.
    QStringList OpenFileNames(QWidget* owner, const QString& filter, const QString& start = QString()) override;
    bool Question(QWidget* owner, const QString& caption, const QString& text) override;
    // Answered by `questionYesAnswer`, recorded among the questions.
    bool QuestionYes(QWidget* owner, const QString& caption, const QString& text) override;
    QString Choose(QWidget* owner, const QString& caption, const QString& text, const QStringList& items) override;

    QList<Box> boxes;
    // What the program showed at the moment a box opened (for "results while the box is open").
    std::function<void()> onMessage;
    QString saveAnswer;
    QStringList saveFilters;
    QString openAnswer;       // the open dialog's answer (empty: cancel)
    QStringList starts;       // where each file dialog opened (folder or suggested path)
    bool questionAnswer = false; // Yes or No
    bool questionYesAnswer = true; // the advised change taken, as its default button does
    QStringList openAnswers;
    QStringList questions;    // every question asked
    QString chooseAnswer;     // the item chosen from a list (empty, or not among them: cancel)
    QStringList choices;      // every choice asked for
};

namespace drive {

// The application as the program sets it up (fonts, translations, icon).
void SetupApp();

// Chooses a row of the income-type list with the arrow keys, as a person on the closed list,
// then leaves the list with Tab for the panel.
void ChooseRow(TFrmMain& main, int row);

// Replaces a field's text by typing (any characters), then leaves the focus in it.
void Retype(QLineEdit* field, const QString& text);

// Presses Enter in a widget (optionally with modifiers held).
void Enter(QWidget* widget, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

QString TextOf(QWidget* root, const char* name); // a label's or field's text, found by objectName

// Waits (up to 20 s) for the batch window's import or export to end, when one is running.
void WaitForWork(TFrmBatch* w);

// A file with these bytes, the test failing when it cannot be written.
void WriteFile(const QString& path, const QByteArray& bytes);

// The text of a PDF as poppler's pdftotext lays it out, a page an item.
QStringList PdfPages(const QString& path);

} // namespace drive

// Finds a child by objectName, failing the test when it is missing.
template <class T> T* Child(QWidget* root, const char* name) {
    T* found = root->findChild<T*>(QString::fromLatin1(name));
    if (!found) qWarning("no child %s", name);
    return found;
}
