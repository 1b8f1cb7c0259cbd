// Text is bytes in the core; windows show it as QString. Valid UTF-8 is shown as such,
// anything else as Latin-1, and converted back the same way so unchanged text stays
// byte for byte what it was.
#pragma once

#include <QString>
#include <string>

QString ToQ(const std::string& bytes);
std::string FromQ(const QString& text, bool latin1 = false);
// Whether a document's bytes are to be shown as Latin-1.
bool UsesLatin1(const std::string& bytes);
