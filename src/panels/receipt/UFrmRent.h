#pragma once

#include "panels/receipt/ReceiptPanel.h"

// Property lease, at 20% after the per-receipt deduction.
class TFrmRent : public TReceiptPanel {
    Q_OBJECT
public:
    explicit TFrmRent(QWidget* parent);
};
