// The platform help: compiled help files and help indexes go to the desktop's handler for
// them. Tests replace the handler to see what would be opened.
#pragma once

#include <functional>
#include <string>

namespace kolshell {

using HelpHandler = std::function<void(const std::string& fileName)>;

void OpenHelpFile(const std::string& fileName);
// nullptr restores the desktop handler; returns the handler that was installed.
HelpHandler SetHelpHandler(HelpHandler handler);

// The program's help page of a help context number (a menu item's, a dialog's). The main
// window installs the handler that shows it in the help window.
using HelpContextHandler = std::function<void(int context)>;
void ShowHelpContext(int context);
HelpContextHandler SetHelpContextHandler(HelpContextHandler handler);

} // namespace kolshell
