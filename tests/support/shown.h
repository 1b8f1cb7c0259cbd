// The cores give their messages back; these calls show them the way a window does, so that
// a test's MsgRecorder sees the very texts, kinds, beeps and order the user would.
#pragma once

#include "common/widgets/diagnosticsview.h"
#include "kolsed/annotation.h"
#include "kolsed/deckwriter.h"
#include "kolsed/formswitch.h"
#include "table/generator.h"
#include "table/tableedits.h"

#include <utility>

namespace shown {

// Calls f with a diagnostics list as its last argument, then shows what it reported.
template <class F, class... A> auto Call(F f, A&&... args) {
    kolshell::TDiagnostics diagnostics;
    auto result = f(std::forward<A>(args)..., diagnostics);
    kolshell::ShowDiagnostics(diagnostics);
    return result;
}

inline void ReadDeck(kolshell::TFormModel& form, const std::string& fileName,
                     const kolshell::TFormMetrics& metrics) {
    kolshell::ShowDiagnostics(kolshell::ReadDeck(form, fileName, metrics));
}
inline bool WriteDeck(kolshell::TFormModel& form, const std::string& target) {
    return Call([](kolshell::TFormModel& f, const std::string& t,
                   kolshell::TDiagnostics& d) { return kolshell::WriteDeck(f, t, d); },
                form, target);
}
inline bool CheckInputValue(kolshell::TFormModel& form, const kolshell::TInput& field) {
    return Call(kolshell::CheckInputValue, form, field);
}
inline bool ChooseAssignFile(kolshell::TFormModel& form, kolshell::TFormItem& item,
                             const std::string& file) {
    return Call(kolshell::ChooseAssignFile, form, item, file);
}
inline bool MakeDeck(kolshell::TGenerator& g, const std::string& deckName,
                     const std::string& engineDir) {
    return Call(kolshell::MakeDeck, g, deckName, engineDir);
}
inline std::vector<std::string> KsdLines(const kolshell::TGenerator& g, bool header, bool card) {
    return Call(kolshell::KsdLines, g, header, card);
}
inline bool WriteKsd(kolshell::TGenerator& g, const std::string& fileName, bool header, bool card) {
    return Call(kolshell::WriteKsd, g, fileName, header, card);
}
inline bool AlterValues(kolshell::TTable& t, kolshell::AlterRequest& r) {
    return Call(kolshell::AlterValues, t, r);
}

} // namespace shown
