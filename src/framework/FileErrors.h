#pragma once
// The save messages moved to the payroll files' layer, where every save is made; this name stays
// for the windows that still include it here.
#include "batch/FileErrors.h"
