#pragma once
// The modal boxes and the save dialog, behind one small seam: the program shows real ones,
// tests install a host that records what would have been shown and answers at once.

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

namespace dialogs {

class Host {
public:
    virtual ~Host() = default;
    // A modal box with one OK button; returns when the user closes it.
    virtual void Message(QWidget* owner, const QString& caption, const QString& text, QMessageBox::Icon icon);
    // The save dialog; the chosen path, or an empty string when the user cancels. `start` is
    // the folder it opens in, or a suggested path (folder and name).
    virtual QString SaveFileName(QWidget* owner, const QString& filter, const QString& defaultSuffix,
                                 const QString& start = QString());
    // The open dialog, opening in the folder `start`; the chosen path, or an empty string when
    // the user cancels.
    virtual QString OpenFileName(QWidget* owner, const QString& filter, const QString& start = QString());
    // The same dialog choosing several files at once; none when the user cancels.
    virtual QStringList OpenFileNames(QWidget* owner, const QString& filter, const QString& start = QString());
    // A modal question with Yes and No; true for Yes.
    virtual bool Question(QWidget* owner, const QString& caption, const QString& text);
    // The same, Yes the default: for a change the program advises.
    virtual bool QuestionYes(QWidget* owner, const QString& caption, const QString& text);
    // One of `items` chosen from a list, or an empty string when the user cancels.
    virtual QString Choose(QWidget* owner, const QString& caption, const QString& text, const QStringList& items);
};

// The suffix a save-dialog filter stands for: "csv" for "CSV 文件 (*.csv)"; empty for "(*)".
QString SuffixOfFilter(const QString& filter);

Host& Current();
// Replaces the host; nullptr brings back the real dialogs.
void SetHost(Host* host);

} // namespace dialogs
