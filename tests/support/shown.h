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
    TDiagnostics diagnostics;
    auto result = f(std::forward<A>(args)..., diagnostics);
    ShowDiagnostics(diagnostics);
    return result;
}

inline void ReadDeck(TFormModel& form, const std::string& fileName, const TFormMetrics& metrics) {
    ShowDiagnostics(::ReadDeck(form, fileName, metrics));
}
inline bool WriteDeck(TFormModel& form, const std::string& target) {
    return Call(
        [](TFormModel& f, const std::string& t, TDiagnostics& d) { return ::WriteDeck(f, t, d); },
        form, target);
}
inline bool CheckInputValue(TFormModel& form, const TInput& field) {
    return Call(::CheckInputValue, form, field);
}
inline bool ChooseAssignFile(TFormModel& form, TFormItem& item, const std::string& file) {
    return Call(::ChooseAssignFile, form, item, file);
}
inline bool MakeDeck(TGenerator& g, const std::string& deckName, const std::string& engineDir) {
    return Call(::MakeDeck, g, deckName, engineDir);
}
inline std::vector<std::string> KsdLines(const TGenerator& g, bool header, bool card) {
    return Call(::KsdLines, g, header, card);
}
inline bool WriteKsd(TGenerator& g, const std::string& fileName, bool header, bool card) {
    return Call(::WriteKsd, g, fileName, header, card);
}
inline bool AlterValues(TTable& t, AlterRequest& r) {
    return Call(::AlterValues, t, r);
}

} // namespace shown
