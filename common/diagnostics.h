// What a core operation has to tell the user, given back with its result: the windows show
// the diagnostics in order (ShowDiagnostics), koltool prints them. The cores never show a
// message themselves.
#pragma once

#include "common/messages.h"

#include <string>
#include <vector>

namespace kolshell {

struct TDiagnostic {
    std::string Text;
    MsgKind Kind = MsgKind::Error;
    bool Beep = false; // the message box comes with the beep
};

using TDiagnostics = std::vector<TDiagnostic>;

// An error message, the kind every core reports.
inline void ReportError(TDiagnostics& out, std::string text, bool beep) {
    out.push_back(TDiagnostic{std::move(text), MsgKind::Error, beep});
}

} // namespace kolshell
