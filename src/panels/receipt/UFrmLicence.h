#pragma once

#include "panels/receipt/ReceiptPanel.h"

// Royalties and licence fees, at 20% after the per-receipt deduction; says so when none is due.
class TFrmLicence : public TReceiptPanel {
    Q_OBJECT
public:
    explicit TFrmLicence(QWidget* parent);
};
