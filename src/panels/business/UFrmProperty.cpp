#include "panels/business/UFrmProperty.h"

TFrmProperty::TFrmProperty(QWidget* parent) : TFlatPanel(parent, FlatPanelId::Property) {}
