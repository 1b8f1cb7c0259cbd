#include "common/widgets/diagnosticsview.h"

namespace kolshell {

void ShowDiagnostics(const TDiagnostics& diagnostics) {
    for (const TDiagnostic& d : diagnostics)
        ShowMsg(d.Text, d.Kind, d.Beep);
}

} // namespace kolshell
