#include "framework/Dialogs.h"

#include "framework/Windows.h"

#include <QFileDialog>

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

QString Host::SaveFileName(QWidget* owner, const QString& filter, const QString& defaultSuffix) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    windows::PlaceOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

Host& Current() {
    return *gHost;
}
void SetHost(Host* host) {
    gHost = host ? host : &gRealHost;
}

} // namespace dialogs
