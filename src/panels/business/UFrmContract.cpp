#include "panels/business/UFrmContract.h"

TFrmContract::TFrmContract(QWidget* parent) : TBusinessPanel(parent, BusinessPanelId::Contract) {}
