#pragma once

#include "panels/flat/FlatPanel.h"

// Transfer of property: the whole amount at 20%, with no cost or expenses taken off.
class TFrmProperty : public TFlatPanel {
    Q_OBJECT
public:
    explicit TFrmProperty(QWidget* parent);
};
