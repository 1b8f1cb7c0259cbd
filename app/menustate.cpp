#include "app/menustate.h"
#include "app/docrules.h"

#include "common/globals.h"
#include "common/paths.h"

#include <utility>

namespace kolshell {

namespace {

// One row of the enabling table: 1 enabled, 0 disabled, -1 left as it was; the value 2
// stands for "by extension".
struct KindRow {
    int MakeKolsed, Calculate, NewTable, RunTable, AlterTable, InsDelRuns, InsDelVars, Overlay,
        Modify;
};

constexpr int E = 2, L = -1;
constexpr KindRow EditorRow{E, E, E, 0, 0, 0, 0, 0, 0};
constexpr KindRow FormRow{0, 1, 1, 0, 0, 0, 0, 0, 0};
constexpr KindRow ViewerRow{0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr KindRow PlotRow{L, 0, 0, 0, L, L, L, 1, 1};
constexpr KindRow TableRow{0, 0, 0, 1, 1, 1, 1, 0, 1};
constexpr KindRow OtherRow{L, L, L, L, L, L, L, 0, 0};

KindRow RowOf(TWindowKind kind) {
    switch (kind) {
    case TWindowKind::Deck:
    case TWindowKind::AnnotatedText:
    case TWindowKind::Text:
        return EditorRow;
    case TWindowKind::Form:
        return FormRow;
    case TWindowKind::Listing:
    case TWindowKind::Output:
        return ViewerRow;
    case TWindowKind::Plot:
        return PlotRow;
    case TWindowKind::Table:
        return TableRow;
    default:
        return OtherRow;
    }
}

void Apply(MenuState& s, MenuCommand c, int v, bool byExt) {
    if (v == L) return;
    s[c] = v == E ? byExt : v == 1;
}

} // namespace

void UpdateMenuState(MenuState& s, TWindowKind kind, const std::string& fileName,
                     const std::optional<TEditCommands>& edits) {
    if (kind == TWindowKind::None) {
        // Calculate too: with no deck window there is nothing to run.
        for (MenuCommand c : {cmRunTable, cmPrint, cmEditMenu, cmMakeKolsed, cmParametricsMenu,
                              cmOverlayPlot, cmModifyPlot, cmSave, cmSaveas, cmCalculate})
            s[c] = false;
        return;
    }
    for (MenuCommand c :
         {cmSave, cmSaveas, cmPrint, cmParametricsMenu, cmKolvanMenu, cmEditMenu, cmRebuildKolvan})
        s[c] = true;
    s[cmOverlayPlot] = s[cmModifyPlot] = s[cmCompileModule] = false;

    const std::string ext = ExtOf(fileName);
    const bool deckExt = IsInputExt(ext);
    const KindRow r = RowOf(kind);
    if (edits) {
        using C = TEditCommand;
        for (auto [command, edit] : {std::pair{cmFind, C::Find},
                                     {cmReplace, C::Replace},
                                     {cmSearchAgain, C::SearchAgain},
                                     {cmCopy, C::Copy},
                                     {cmCut, C::Cut},
                                     {cmPaste, C::Paste},
                                     {cmClear, C::Clear}})
            s[command] = edits->Has(edit);
    }
    // An annotated deck is made from a plain one: from a ".KSD" it would be its own target.
    Apply(s, cmMakeKolsed, r.MakeKolsed, deckExt && ext != ".KSD");
    Apply(s, cmCalculate, r.Calculate, deckExt);
    Apply(s, cmNewTable, r.NewTable, deckExt);
    Apply(s, cmRunTable, r.RunTable, deckExt);
    Apply(s, cmAlterTable, r.AlterTable, deckExt);
    Apply(s, cmInsDelRuns, r.InsDelRuns, deckExt);
    Apply(s, cmInsDelVars, r.InsDelVars, deckExt);
    Apply(s, cmOverlayPlot, r.Overlay, deckExt);
    Apply(s, cmModifyPlot, r.Modify, deckExt);
    if (IsEditorKind(kind)) s[cmCompileModule] = ext == ".FOR";
    // A diagram shows the input deck's picture: Calculate runs that deck when there is one.
    if (kind == TWindowKind::Diagram) s[cmCalculate] = !Globals().CurrentDeckName.empty();
}

MenuState WithRunState(MenuState s, bool running) {
    if (running)
        for (MenuCommand c : {cmCalculate, cmRunTable, cmCompileModule, cmRebuildKolvan})
            s[c] = false;
    s[cmStopRun] = running;
    return s;
}

} // namespace kolshell
