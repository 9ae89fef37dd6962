#pragma once

#include "framework/CalcPanel.h"

// The panel of the separator rows: an empty cream area.
class TFrmEmpty : public TCalcPanel {
    Q_OBJECT
public:
    explicit TFrmEmpty(QWidget* parent);
};
