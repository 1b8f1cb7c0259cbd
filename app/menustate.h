// Which commands are enabled, derived from the kind of the current child.
#pragma once

#include <array>
#include <string>

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

// The component name of each command's menu item (or menu).
const char* MenuCommandName(MenuCommand c);

// Updates the state for a current child of the given kind (0 when there is none or no child
// is open); fileName is the editor's file for the editor kinds. Commands that a kind leaves
// alone keep the state they had.
void UpdateMenuState(MenuState& state, int kind, const std::string& fileName);
// The state the menu shows: while a run goes on, no command that starts another run or
// rebuilds the engine, and Stop Run only then.
MenuState WithRunState(MenuState state, bool running);
