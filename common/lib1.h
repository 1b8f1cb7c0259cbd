// Shared string, file and number routines used all over the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kolshell {

using Extended = long double;

// The program's stand-in for infinity; FormatReal prints it as "inf".
constexpr Extended InfValue = 1e99L;

// A number format: mode 1 is fixed-point, anything else the exponent form.
struct NumberFormat {
    uint8_t Mode = 1;
    int16_t Digits = 1;
};

bool FileExists(const std::string& name);
std::string UpStr(const std::string& text);
void TrimBlanks(std::string& text, size_t maxLength);
// The text without leading and trailing blanks (and at most 255 characters).
std::string Trimmed(std::string text);
std::string IntToStrN(long long value, size_t maxLength);
// The blank- or tab-separated words of a line.
std::vector<std::string> SplitWords(const std::string& line);
// The parts of text between each sep ("a,,b" gives "a", "", "b"; "" gives one empty part).
std::vector<std::string> SplitAt(const std::string& text, char sep);

std::string FormatReal(NumberFormat format, Extended x);
NumberFormat ChooseFormat(int n, Extended x);

bool StrToReal(const std::string& text, Extended& value);
bool TryStrToReal(const std::string& text, Extended& value);
Extended StrToRealDot(const std::string& text, int& errorPos);

Extended IntPower(Extended base, int exponent);
Extended Log10(Extended x);
// x truncated towards zero and held to the int range; NaN gives 0. For numbers read from
// files, which may be anything.
int TruncToInt(Extended x);
// The leading whole number of a word as atoi reads it, held to the int range.
int WordToInt(const std::string& word);

// The acceptance rule of ValidateReal, without the edit control.
bool RealAcceptable(int kind, Extended low, Extended high, Extended x);
// Converts an edit's text the way ValidateReal does (empty counts as one blank).
bool ValidateRealText(const std::string& text, int kind, Extended low, Extended high,
                      Extended& value);

// Short strings hold at most 255 characters.
constexpr size_t ShortStringMax = 255;
inline std::string Short(const std::string& s) {
    return s.substr(0, ShortStringMax);
}

} // namespace kolshell
