#pragma once

#include "panels/business/BusinessPanel.h"

// Contracted or leased operation, less 3500 for every month of operation.
class TFrmContract : public TBusinessPanel {
    Q_OBJECT
public:
    explicit TFrmContract(QWidget* parent);
};
