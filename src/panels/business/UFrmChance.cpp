#include "panels/business/UFrmChance.h"

TFrmChance::TFrmChance(QWidget* parent) : TFlatPanel(parent, FlatPanelId::Chance) {}
