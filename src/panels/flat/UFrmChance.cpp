#include "panels/flat/UFrmChance.h"

TFrmChance::TFrmChance(QWidget* parent) : TFlatPanel(parent, FlatPanelId::Chance) {}
