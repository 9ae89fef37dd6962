// The print preview of the batch window: QPrintPreviewDialog over a QPrinter on A4, whose own
// print button sends the same pages to the chosen printer.
#include "pluginapi/PrintPreview.h"

#include <QMessageBox>
#include <QObject>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>

class TPrintPreviewFactory : public QObject, public IPrintPreview {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IPrintPreview_iid)
    Q_INTERFACES(IPrintPreview)
public:
    void Preview(QWidget* owner, const QString& documentName, bool landscape,
                 const std::function<QString(QPagedPaintDevice&)>& draw) override {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(documentName);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                          QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
        QPrintPreviewDialog dialog(&printer, owner);
        dialog.setObjectName(QStringLiteral("DlgPrintPreview"));
        dialog.setWindowTitle(QStringLiteral("打印预览 - ") + documentName);
        QString failure;
        connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
            failure = draw(*target);
        });
        dialog.resize(1000, 720);
        dialog.exec();
        if (!failure.isEmpty()) QMessageBox::warning(owner, documentName, failure);
    }
};

#include "PrintPreviewPlugin.moc"
