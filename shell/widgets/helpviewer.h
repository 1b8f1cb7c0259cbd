// The platform help: compiled help files and help indexes go to the desktop's handler for
// them. Tests replace the handler to see what would be opened.
#pragma once

#include <functional>
#include <string>

using HelpHandler = std::function<void(const std::string& fileName)>;

void OpenHelpFile(const std::string& fileName);
// nullptr restores the desktop handler; returns the handler that was installed.
HelpHandler SetHelpHandler(HelpHandler handler);
