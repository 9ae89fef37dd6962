#include "panels/receipt/UFrmRent.h"

TFrmRent::TFrmRent(QWidget* parent) : TReceiptPanel(parent, ReceiptPanelId::Rent) {}
