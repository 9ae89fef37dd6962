#include "panels/receipt/UFrmLicence.h"

TFrmLicence::TFrmLicence(QWidget* parent) : TReceiptPanel(parent, ReceiptPanelId::Licence) {}
