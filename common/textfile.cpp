#include "common/textfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace kolshell {

namespace {

const std::string Bom = "\xEF\xBB\xBF";

// The code points of cp1252's bytes 80..9F; the undefined ones stand for themselves.
constexpr std::array<uint16_t, 32> Specials = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void PutUtf8(uint32_t c, std::string& out) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The code point starting at i of text already known to be UTF-8, and its length.
uint32_t NextCodePoint(const std::string& s, size_t i, size_t& length) {
    const auto b = [&](size_t k) { return uint32_t(uint8_t(s[i + k])); };
    const uint32_t c = b(0);
    length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    length = std::min(length, s.size() - i);
    if (length == 1) return c;
    uint32_t cp = c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k)
        cp = (cp << 6) | (b(k) & 0x3F);
    return cp;
}

bool Windows1252Byte(uint32_t cp, char& byte) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        byte = char(cp);
        return true;
    }
    const auto at = std::find(Specials.begin(), Specials.end(), cp);
    if (at == Specials.end()) return false;
    byte = char(0x80 + (at - Specials.begin()));
    return true;
}

} // namespace

bool IsValidUtf8(const std::string& bytes) {
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uint8_t(c) < 0x80; }))
        return true;
    thread_local iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    if (cd == iconv_t(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    std::array<char, 4096> buffer;
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        if (iconv(cd, &in, &inLeft, &out, &outLeft) == size_t(-1) && errno != E2BIG) return false;
    }
    return true;
}

TEncoding EncodingOf(const std::string& bytes) {
    return IsValidUtf8(bytes) ? TEncoding::Utf8 : TEncoding::Windows1252;
}

std::string EncodingName(TEncoding e) {
    return e == TEncoding::Utf8 ? "UTF-8" : "Windows (cp1252)";
}

std::string Windows1252ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char ch : bytes) {
        const uint8_t c = uint8_t(ch);
        PutUtf8(c >= 0x80 && c < 0xA0 ? Specials[c - 0x80] : c, out);
    }
    return out;
}

bool EncodeText(const std::string& utf8, TEncoding e, std::string& out, std::string& refused) {
    if (e == TEncoding::Utf8) {
        out = utf8;
        return true;
    }
    out.clear();
    out.reserve(utf8.size());
    for (size_t i = 0, n = 0; i < utf8.size(); i += n) {
        char byte = 0;
        if (!Windows1252Byte(NextCodePoint(utf8, i, n), byte)) {
            refused = utf8.substr(i, n);
            return false;
        }
        out += byte;
    }
    return true;
}

std::string DecodeText(const std::string& bytes, TEncoding e) {
    return e == TEncoding::Utf8 ? bytes : Windows1252ToUtf8(bytes);
}

std::string RefusedCharacterText(const std::string& refused, const std::string& file, TEncoding e) {
    return "The character " + refused + " cannot be written in file " + file + ": its " +
           EncodingName(e) + " text has no such character.  It was not saved.";
}

std::string CutCharacters(const std::string& text, size_t n) {
    if (text.size() <= n || !IsValidUtf8(text)) return text.substr(0, n);
    size_t at = 0, length = 0;
    for (size_t count = 0; at < text.size() && count < n; at += length, ++count)
        NextCodePoint(text, at, length);
    return text.substr(0, at);
}

std::string WholeCharactersWithin(const std::string& text, size_t n) {
    if (text.size() <= n || !IsValidUtf8(text)) return text.substr(0, n);
    size_t at = 0, length = 0;
    while (at < text.size() && (NextCodePoint(text, at, length), at + length <= n))
        at += length;
    return text.substr(0, at);
}

std::string TTextLines::CommonEnd() const {
    size_t lf = 0, crlf = 0, cr = 0;
    for (const std::string& end : Ends) {
        lf += end == "\n";
        crlf += end == "\r\n";
        cr += end == "\r";
    }
    return MostUsedEnd(lf, crlf, cr);
}

std::string MostUsedEnd(size_t lf, size_t crlf, size_t cr) {
    if (lf > crlf && lf >= cr) return "\n";
    if (cr > crlf && cr > lf) return "\r";
    return "\r\n";
}

bool ForEachLine(const std::string& bytes, bool loneCrEnds, const TLineVisitor& line) {
    const std::string_view all(bytes);
    const bool bom = all.substr(0, Bom.size()) == Bom;
    size_t start = bom ? Bom.size() : 0;
    const char* breaks = loneCrEnds ? "\r\n" : "\n";
    while (start < all.size()) {
        size_t at = all.find_first_of(breaks, start);
        if (at == std::string::npos) {
            line(all.substr(start), std::string_view());
            break;
        }
        size_t endLength = 1;
        if (all[at] == '\r') {
            if (at + 1 < all.size() && all[at + 1] == '\n') endLength = 2;
        } else if (at > start && all[at - 1] == '\r') {
            --at;
            endLength = 2;
        }
        line(all.substr(start, at - start), all.substr(at, endLength));
        start = at + endLength;
    }
    return bom;
}

TTextLines SplitLinesWithEnds(const std::string& bytes, bool loneCrEnds) {
    TTextLines text;
    text.Bom = ForEachLine(bytes, loneCrEnds, [&text](std::string_view line, std::string_view end) {
        text.Lines.emplace_back(line);
        text.Ends.emplace_back(end);
    });
    return text;
}

std::string JoinLines(const TTextLines& text) {
    std::string out = text.Bom ? Bom : std::string();
    for (size_t i = 0; i < text.Lines.size(); ++i)
        out += text.Lines[i] + (i < text.Ends.size() ? text.Ends[i] : text.CommonEnd());
    return out;
}

} // namespace kolshell
