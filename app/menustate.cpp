#include "app/menustate.h"

#include "common/globals.h"
#include "common/paths.h"

namespace {

// One row of the enabling table: 1 enabled, 0 disabled, -1 left as it was; the value 2
// stands for "by extension".
struct KindRow {
    int Find, Replace, SearchAgain, Copy, Cut, Paste, Clear, MakeKolsed, Calculate, NewTable,
        RunTable, AlterTable, InsDelRuns, InsDelVars, Overlay, Modify;
};

constexpr int E = 2, L = -1;
constexpr KindRow EditorRow{1, 1, 1, 1, 1, 1, 1, E, E, E, 0, 0, 0, 0, 0, 0};
constexpr KindRow FormRow{0, 0, 0, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0};
constexpr KindRow ViewerRow{1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr KindRow PlotRow{0, 0, 0, 1, 0, 0, 0, L, 0, 0, 0, L, L, L, 1, 1};
constexpr KindRow TableRow{0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 0, 1};
constexpr KindRow OtherRow{L, L, L, L, L, L, L, L, L, L, L, L, L, L, 0, 0};

KindRow RowOf(int kind) {
    switch (kind) {
    case wkDeck:
    case wkAnnotatedText:
    case wkText:
        return EditorRow;
    case wkForm:
        return FormRow;
    case wkListing:
    case wkOutput:
        return ViewerRow;
    case wkPlot:
        return PlotRow;
    case wkTable:
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

const char* MenuCommandName(MenuCommand c) {
    static const char* const names[cmCommandCount] = {"Find1",
                                                      "Replace1",
                                                      "SearchAgain1",
                                                      "Copy1",
                                                      "Cut1",
                                                      "Paste1",
                                                      "Clear1",
                                                      "MakeKOLSEDfile1",
                                                      "Calculate1",
                                                      "NewTable1",
                                                      "RunTable1",
                                                      "AlterTable1",
                                                      "InsertDeleteRuns1",
                                                      "InsertDeleteVars1",
                                                      "OverlayPlot1",
                                                      "ModifyPlot1",
                                                      "Save1",
                                                      "Saveas1",
                                                      "Print1",
                                                      "Edit1",
                                                      "Parametrics1",
                                                      "KOLVAN1",
                                                      "CompileModule1",
                                                      "RebuildKOLVAN1",
                                                      "StopRun1"};
    return names[c];
}

void UpdateMenuState(MenuState& s, int kind, const std::string& fileName) {
    if (kind == wkNone) {
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
    const bool deckExt = ext == ".DCK" || ext == ".KSD" || ext == ".DEK";
    const KindRow r = RowOf(kind);
    Apply(s, cmFind, r.Find, deckExt);
    Apply(s, cmReplace, r.Replace, deckExt);
    Apply(s, cmSearchAgain, r.SearchAgain, deckExt);
    Apply(s, cmCopy, r.Copy, deckExt);
    Apply(s, cmCut, r.Cut, deckExt);
    Apply(s, cmPaste, r.Paste, deckExt);
    Apply(s, cmClear, r.Clear, deckExt);
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
    if (kind == wkDeck || kind == wkAnnotatedText || kind == wkText)
        s[cmCompileModule] = ext == ".FOR";
}

MenuState WithRunState(MenuState s, bool running) {
    if (running)
        for (MenuCommand c : {cmCalculate, cmRunTable, cmCompileModule, cmRebuildKolvan})
            s[c] = false;
    s[cmStopRun] = running;
    return s;
}
