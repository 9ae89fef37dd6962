#pragma once
// The few fonts the windows use, mapped to what the platform has (with CJK fallback).

#include <QFont>

namespace fonts {

// Registers the mapping of the designed font names to the platform's fonts; call once at start.
void InstallMapping();

QFont Ui(bool bold = false); // captions, results and messages
QFont Field();               // amount fields and lists

} // namespace fonts
