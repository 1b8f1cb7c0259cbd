// How koltool gives out what a command's core reports: each message on a line of stderr
// (beeps are silent), or as JSON for the commands that print their result.
#pragma once

#include "common/diagnostics.h"
#include "common/json.h"

#include <cstdio>

// Prints the diagnostics on stderr; true when there was any.
inline bool PrintDiagnostics(const kolshell::TDiagnostics& diagnostics) {
    for (const kolshell::TDiagnostic& d : diagnostics)
        std::fprintf(stderr, "%s\n", d.Text.c_str());
    return !diagnostics.empty();
}

inline std::string DiagnosticJson(const kolshell::TDiagnostic& d) {
    return kolshell::JsonObject()
        .Str("Text", d.Text)
        .Int("Kind", int(d.Kind))
        .Bool("Beep", d.Beep)
        .Text();
}

inline std::string DiagnosticsJson(const kolshell::TDiagnostics& diagnostics) {
    std::vector<std::string> items;
    for (const kolshell::TDiagnostic& d : diagnostics)
        items.push_back(DiagnosticJson(d));
    return kolshell::JsonArray(items);
}
