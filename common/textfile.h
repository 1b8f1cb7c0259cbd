// Text files as the user's own bytes: which encoding they are in, and their lines with each
// line's own ending, so that a file written back differs only where the user changed it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kolshell {

// Strictly valid UTF-8 (no overlong forms, surrogates or bytes F5..FF), by the C library's
// own decoder.
bool IsValidUtf8(const std::string& bytes);

// A file that is not valid UTF-8 is Windows text (cp1252, which holds every Latin-1 letter).
enum class TEncoding { Utf8, Windows1252 };
TEncoding EncodingOf(const std::string& bytes);
// "UTF-8" or "Windows (cp1252)", for messages.
std::string EncodingName(TEncoding e);

// Windows text as UTF-8. The five bytes cp1252 leaves undefined become the control
// characters of the same number, so every byte comes back as it was.
std::string Windows1252ToUtf8(const std::string& bytes);
// UTF-8 text in the encoding; false, with the first character it cannot hold in refused
// (as UTF-8), when there is one.
bool EncodeText(const std::string& utf8, TEncoding e, std::string& out, std::string& refused);
// Bytes in the encoding as UTF-8.
std::string DecodeText(const std::string& bytes, TEncoding e);
// "The character X cannot be written in file F: its Windows (cp1252) text has no such
// character. It was not saved."
std::string RefusedCharacterText(const std::string& refused, const std::string& file, TEncoding e);

// The first n characters of text: UTF-8 characters when it is UTF-8, else bytes. Never a
// part of a character.
std::string CutCharacters(const std::string& text, size_t n);
// The whole characters of text that fit in n bytes (a field of a binary file).
std::string WholeCharactersWithin(const std::string& text, size_t n);

// A text file split into lines, each with its own ending ("\n", "\r\n", a lone "\r" where
// lone CRs end lines, or "" after a last line without one). A UTF-8 byte-order mark is
// kept aside.
struct TTextLines {
    bool Bom = false;
    std::vector<std::string> Lines;
    std::vector<std::string> Ends;
    // The ending most lines have (CR LF when there are none, as on the system the decks
    // come from); new lines take it.
    std::string CommonEnd() const;
    // Whether the file ended with a line end.
    bool FinalBreak() const { return Ends.empty() || !Ends.back().empty(); }
};
// loneCrEnds: a CR not followed by LF ends a line (as an editor shows it); otherwise it is
// part of the line's text (as the engine reads it).
TTextLines SplitLinesWithEnds(const std::string& bytes, bool loneCrEnds);
// The same split without copying: each line and its ending ("" after a last line without
// one) handed to line as views into bytes. True when the bytes began with a byte-order mark,
// which is no part of the first line.
using TLineVisitor = std::function<void(std::string_view line, std::string_view end)>;
bool ForEachLine(const std::string& bytes, bool loneCrEnds, const TLineVisitor& line);
// The ending most lines have, from the counts of each kind: as TTextLines::CommonEnd.
std::string MostUsedEnd(size_t lf, size_t crlf, size_t cr);
std::string JoinLines(const TTextLines& text);

} // namespace kolshell
