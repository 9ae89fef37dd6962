#include "panels/flat/UFrmProperty.h"

TFrmProperty::TFrmProperty(QWidget* parent) : TFlatPanel(parent, FlatPanelId::Property) {}
