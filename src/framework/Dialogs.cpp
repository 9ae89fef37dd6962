#include "framework/Dialogs.h"

#include "framework/Windows.h"

#include <QFileDialog>
#include <QFileInfo>

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

bool Host::Question(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

Host& Current() {
    return *gHost;
}
void SetHost(Host* host) {
    gHost = host ? host : &gRealHost;
}

} // namespace dialogs
