#pragma once

#include "common/lib1.h"

class QLineEdit;

namespace kolshell {

// Reads a number from an edit and checks it against the kind's limits. On failure it beeps,
// gives the edit the focus with its whole text selected, and returns false with value 0.
bool ValidateReal(QLineEdit* edit, int kind, Extended low, Extended high, Extended& value);

} // namespace kolshell
