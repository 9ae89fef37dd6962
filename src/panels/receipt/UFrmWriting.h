#pragma once

#include "panels/receipt/ReceiptPanel.h"

// Author's remuneration, at 14% after the per-receipt deduction.
class TFrmWriting : public TReceiptPanel {
    Q_OBJECT
public:
    explicit TFrmWriting(QWidget* parent);
};
