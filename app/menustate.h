// Which commands are enabled, derived from the kind of the current child.
#pragma once

#include "common/editcommands.h"
#include "common/windowkind.h"

#include <array>
#include <optional>
#include <string>

namespace kolshell {

enum MenuCommand {
    cmFind,
    cmReplace,
    cmSearchAgain,
    cmCopy,
    cmCut,
    cmPaste,
    cmClear,
    cmMakeKolsed,
    cmCalculate,
    cmNewTable,
    cmRunTable,
    cmAlterTable,
    cmInsDelRuns,
    cmInsDelVars,
    cmOverlayPlot,
    cmModifyPlot,
    cmSave,
    cmSaveas,
    cmPrint,
    cmEditMenu,
    cmParametricsMenu,
    cmKolvanMenu,
    cmCompileModule,
    cmRebuildKolvan,
    cmStopRun,
    cmCommandCount
};

using MenuState = std::array<bool, cmCommandCount>;

// Updates the state for a current child of the given kind (0 when there is none or no child
// is open); fileName is the editor's file for the editor kinds; edits are the edit commands the
// child carries out. Commands that a kind leaves alone keep the state they had, and so do the
// edit commands of a child that answers none.
void UpdateMenuState(MenuState& state, TWindowKind kind, const std::string& fileName,
                     const std::optional<TEditCommands>& edits);
// The state the menu shows: while a run goes on, no command that starts another run or
// rebuilds the engine, and Stop Run only then.
MenuState WithRunState(MenuState state, bool running);

} // namespace kolshell
