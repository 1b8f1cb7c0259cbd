// Shows the diagnostics a core operation gave back, one message box after the other.
#pragma once

#include "common/diagnostics.h"

namespace kolshell {

void ShowDiagnostics(const TDiagnostics& diagnostics);

} // namespace kolshell
