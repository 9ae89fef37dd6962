#include "framework/Dialogs.h"

#include "framework/Windows.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QRegularExpression>

namespace dialogs {

namespace {
Host gRealHost;
Host* gHost = &gRealHost;
} // namespace

void Host::Message(QWidget* owner, const QString& caption, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    windows::PlaceOnScreen(&box);
    box.exec();
}

QString Host::SaveFileName(QWidget* owner, const QString& filter, const QString& defaultSuffix,
                           const QString& start) {
    QFileDialog dialog(owner);
    if (QFileInfo(start).isDir()) {
        dialog.setDirectory(start);
    } else if (!start.isEmpty()) {
        dialog.setDirectory(QFileInfo(start).absolutePath());
        dialog.selectFile(QFileInfo(start).fileName());
    }
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    // The filter chosen decides the suffix a bare name gets, so the name says the format.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, defaultSuffix](const QString& f) {
        const QString suffix = SuffixOfFilter(f);
        dialog.setDefaultSuffix(suffix.isEmpty() ? defaultSuffix : suffix);
    });
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    windows::PlaceOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString Host::OpenFileName(QWidget* owner, const QString& filter, const QString& start) {
    QFileDialog dialog(owner);
    if (!start.isEmpty()) dialog.setDirectory(start);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QStringList Host::OpenFileNames(QWidget* owner, const QString& filter, const QString& start) {
    QFileDialog dialog(owner);
    if (!start.isEmpty()) dialog.setDirectory(start);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(filter);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

bool Host::QuestionYes(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool Host::Question(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString Host::Choose(QWidget* owner, const QString& caption, const QString& text, const QStringList& items) {
    bool ok = false;
    const QString item = QInputDialog::getItem(owner, caption, text, items, 0, false, &ok);
    return ok ? item : QString();
}

QString SuffixOfFilter(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const QRegularExpressionMatch m = pattern.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

Host& Current() {
    return *gHost;
}
void SetHost(Host* host) {
    gHost = host ? host : &gRealHost;
}

} // namespace dialogs
