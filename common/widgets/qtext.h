// Text is bytes in the core; windows show it as QString. Valid UTF-8 is shown as such,
// anything else as Windows text (cp1252), and converted back the same way so unchanged text
// stays byte for byte what it was.
#pragma once

#include "common/textfile.h"

#include <QString>
#include <string>

namespace kolshell {

// Bytes of unknown origin (a name, a message): their own encoding decides.
QString ToQ(const std::string& bytes);
// Bytes of a document whose encoding is known.
QString ToQ(const std::string& bytes, TEncoding encoding);
// Text for the program's own use (names, messages): UTF-8.
std::string FromQ(const QString& text);
// Text for a document in its encoding; false, with the character it cannot hold (as UTF-8)
// in refused, when there is one.
bool FromQ(const QString& text, TEncoding encoding, std::string& bytes, std::string& refused);

} // namespace kolshell
