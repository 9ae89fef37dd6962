#pragma once
// The print preview and the printers: Qt Print Support lives in a plugin loaded on the first
// print, so the program's start never loads it.

#include <QString>
#include <QtPlugin>
#include <functional>

class QPagedPaintDevice;
class QWidget;

class IPrintPreview {
public:
    virtual ~IPrintPreview() = default;
    // A modal print preview over `owner` of the pages `draw` makes on A4 (landscape or
    // portrait), from which the user prints them. `draw` returns an error message, or empty.
    virtual void Preview(QWidget* owner, const QString& documentName, bool landscape,
                         const std::function<QString(QPagedPaintDevice&)>& draw) = 0;
};
#define IPrintPreview_iid "cn.qingfu.PrintPreview/1"
Q_DECLARE_INTERFACE(IPrintPreview, IPrintPreview_iid)

namespace printpreview {
// The preview from the plugin, or null with `error` set when it cannot be loaded.
IPrintPreview* Get(QString& error);
} // namespace printpreview
