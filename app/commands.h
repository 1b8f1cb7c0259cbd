// The command table the main window assembles its menus from: each menu and item with its
// caption, shortcut and help context, the controller function that handles it, and the rule
// that enables it.
#pragma once

#include "app/menustate.h"

#include <vector>

namespace kolshell {

class TKOLSHELLFORM;

// How an item is enabled: always; by the menu state of the current window; as a companion
// entry of the Windows menu (off until the input has that companion); or by its controller.
struct TEnabling {
    enum How { Always, ByState, Companion, ByController } Rule = Always;
    MenuCommand Command = cmCommandCount;
};

struct TMenuDef {
    const char* Name;
    const char* Caption;
    int HelpContext;
    TEnabling Enabling;
};

using TCommandHandler = void (*)(TKOLSHELLFORM&);

struct TCommandDef {
    const char* Menu;
    const char* Name; // nullptr for a separator
    const char* Caption;
    const char* Shortcut;
    int HelpContext;
    TCommandHandler Handler;
    TEnabling Enabling;
};

const std::vector<TMenuDef>& MenuTable();
const std::vector<TCommandDef>& CommandTable();

} // namespace kolshell
