#pragma once

#include "panels/business/BusinessPanel.h"

// Production and business income of an individual business, taxed whole.
class TFrmCompany : public TBusinessPanel {
    Q_OBJECT
public:
    explicit TFrmCompany(QWidget* parent);
};
