#pragma once
// What the program remembers between runs (window places, last folders), in the user's
// configuration under the organisation and application names the program sets at start.

#include <QSettings>

namespace settings {

// A fresh handle on the store; cheap, and every handle sees the same values.
inline QSettings Store() {
    return QSettings();
}

} // namespace settings
