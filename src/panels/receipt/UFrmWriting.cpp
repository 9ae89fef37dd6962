#include "panels/receipt/UFrmWriting.h"

TFrmWriting::TFrmWriting(QWidget* parent) : TReceiptPanel(parent, ReceiptPanelId::Writing) {}
