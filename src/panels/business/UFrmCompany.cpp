#include "panels/business/UFrmCompany.h"

TFrmCompany::TFrmCompany(QWidget* parent) : TBusinessPanel(parent, BusinessPanelId::Company) {}
