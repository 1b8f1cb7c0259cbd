#include "common/lib1.h"
#include "common/paths.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace kolshell {

bool FileExists(const std::string& name) {
    // A FIFO, socket or device counts as absent: no reader of the program waits on one.
    if (name.empty()) return false;
    const int fd = OpenRegularFile(name);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::string UpStr(const std::string& text) {
    std::string s = text;
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

void TrimBlanks(std::string& text, size_t maxLength) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    size_t last = text.find_last_not_of(' ');
    text = text.substr(first, last - first + 1);
    if (text.size() > maxLength) text.resize(maxLength);
}

std::string IntToStrN(long long value, size_t maxLength) {
    return std::to_string(value).substr(0, maxLength);
}

namespace {

// A decimal view of |x|: x = 0.d1d2d3... * 10^Exp10, with 18 significant digits as the
// classic Pascal conversion of 10-byte reals produces them.
struct Decimal {
    std::string Digits;
    int Exp10 = 0;
};

Decimal ToDecimal(Extended x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Le", std::fabs(x));
    Decimal d;
    d.Digits.push_back(buf[0]);
    const char* p = buf + 2;
    while (*p >= '0' && *p <= '9')
        d.Digits.push_back(*p++);
    d.Exp10 = std::atoi(p + 1) + 1;
    return d;
}

// Keeps the first n digits, rounding half away from zero on the decimal digits.
void RoundAt(Decimal& d, int n) {
    if (n >= int(d.Digits.size())) {
        d.Digits.append(size_t(n) - d.Digits.size(), '0');
        return;
    }
    if (n < 0) {
        d.Digits.assign(1, '0');
        return;
    }
    const bool up = d.Digits[size_t(n)] >= '5';
    d.Digits.resize(size_t(n));
    if (!up) return;
    int i = n - 1;
    while (i >= 0 && d.Digits[size_t(i)] == '9')
        d.Digits[size_t(i--)] = '0';
    if (i >= 0) {
        d.Digits[size_t(i)]++;
    } else {
        d.Digits.insert(d.Digits.begin(), '1');
        d.Digits.pop_back();
        d.Exp10++;
        if (n == 0) d.Digits = "1";
    }
}

bool AllZero(const std::string& s) {
    return s.find_first_not_of('0') == std::string::npos;
}

char DigitAt(const Decimal& d, int i) {
    return (i >= 0 && i < int(d.Digits.size())) ? d.Digits[size_t(i)] : '0';
}

// The most digits the whole part of a fixed-point text shows: what a 10-byte real carries.
constexpr int FixedWholeDigitsMax = 18;

// Empty when the whole part would need more digits than that.
std::string FixedText(Extended x, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > int(ShortStringMax)) decimals = int(ShortStringMax);
    Decimal d = ToDecimal(x);
    if (x == 0) d = Decimal{"0", 1};
    if (d.Exp10 > FixedWholeDigitsMax) return "";
    RoundAt(d, d.Exp10 + decimals);
    if (d.Exp10 > FixedWholeDigitsMax) return "";
    std::string s;
    if (d.Exp10 > 0)
        for (int i = 0; i < d.Exp10; ++i)
            s.push_back(DigitAt(d, i));
    else
        s = "0";
    if (decimals > 0) {
        s.push_back('.');
        for (int i = 0; i < decimals; ++i)
            s.push_back(DigitAt(d, d.Exp10 + i));
    }
    if (std::signbit(x) && !AllZero(d.Digits)) s.insert(s.begin(), '-');
    return s;
}

// The most decimals an exponent form can have and still fit in a short string with its sign,
// point and exponent.
constexpr int ExponentDecimalsMax = int(ShortStringMax) - 10;
// Decimals of the exponent form that read back any 10-byte real.
constexpr int ReadBackDigitsMax = 20;

// The exponent form with the fewest digits that read back as x (at least the given decimals),
// for values whose digits go past what the decimal conversion above carries.
std::string ShortestExponentText(Extended x, int decimals) {
    char buf[80];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    const std::string t(buf, r.ptr);
    const size_t e = t.find('e');
    std::string mantissa = t.substr(0, e);
    if (mantissa.find('.') == std::string::npos && decimals > 0) mantissa += '.';
    const size_t point = mantissa.find('.');
    if (point != std::string::npos)
        mantissa.append(size_t(std::max(0, decimals - int(mantissa.size() - point - 1))), '0');
    const int exp = std::atoi(t.c_str() + e + 1);
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%02d", exp < 0 ? '-' : '+', std::abs(exp));
    return mantissa + tail;
}

std::string ExponentText(Extended x, int digits) {
    const int decimals = std::clamp(digits, 1, ExponentDecimalsMax);
    Decimal d = x == 0 ? Decimal{"0", 1} : ToDecimal(x);
    RoundAt(d, decimals + 1);
    std::string s = std::signbit(x) && x != 0 ? "-" : "";
    s.push_back(d.Digits[0]);
    s.push_back('.');
    s.append(d.Digits, 1, size_t(decimals));
    const int e = x == 0 ? 0 : d.Exp10 - 1;
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%04d", e < 0 ? '-' : '+', std::abs(e));
    return s + exp;
}

std::string NonFiniteText(Extended x) {
    if (std::isnan(x)) return "Nan";
    return x > 0 ? "+Inf" : "-Inf";
}

} // namespace

std::string FormatReal(NumberFormat format, Extended x) {
    if (!std::isfinite(x)) return NonFiniteText(x);
    if (std::fabs(x) == InfValue) return x > 0 ? "inf" : "-inf";
    auto exponent = [x](int digits) {
        std::string s = ExponentText(x, digits);
        size_t e = s.find('E');
        for (int k = 0; k < 2; ++k)
            if (e + 2 < s.size() && s[e + 2] == '0') s.erase(e + 2, 1);
        if (digits == 0 && e >= 2) s.erase(e - 2, 2);
        return Short(s);
    };
    if (format.Mode == 1) {
        // A value too large for the fixed-point form (its digits would be made up, and a
        // short string would cut them into another number) is written in exponent form, with
        // the field's digits or as many more as the value needs to read back as it would
        // have in fixed form.
        const std::string fixed = FixedText(x, format.Digits);
        if (!fixed.empty()) return Short(fixed);
        const int digits = std::clamp<int>(format.Digits, 0, ExponentDecimalsMax);
        const Extended scale = IntPower(10, std::min(digits, 30));
        const Extended wanted = std::isfinite(x * scale) ? std::nearbyint(x * scale) / scale : x;
        for (int d = digits; d < std::max(digits, ReadBackDigitsMax); ++d) {
            const std::string s = exponent(d);
            Extended back = 0;
            if (TryStrToReal(s, back) && back == wanted) return s;
        }
        return ShortestExponentText(wanted, digits);
    }
    return exponent(format.Digits);
}

NumberFormat ChooseFormat(int digits, Extended x) {
    NumberFormat f{1, 1};
    if (x == 0) return f;
    // Within what a format's digit count holds: every sum and conversion below stays in range.
    const int n = std::clamp(digits, INT16_MIN + 1, int(INT16_MAX));
    const Extended ax = std::fabs(x);
    if (ax <= 1e-5L) return NumberFormat{0, int16_t(n - 1)};
    const Extended d = std::trunc(Extended(n) - 0.43431053203040176L * std::log(ax));
    if (d >= 0 && d <= n) return NumberFormat{1, int16_t(d)};
    if (ax > IntPower(10, n)) return NumberFormat{1, 0};
    if (ax > IntPower(10, n - 1)) return NumberFormat{1, int16_t(n)};
    return NumberFormat{0, int16_t(n - 1)};
}

namespace {

// Length of the longest prefix of s[pos..] that forms a decimal number; 0 when none.
size_t ScanNumber(const std::string& s, size_t pos) {
    size_t i = pos;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
            ++j, ++expDigits;
        if (expDigits == 0) return 0; // an exponent mark without digits spoils the number
        i = j;
    }
    return i - pos;
}

bool ConvertNumber(const std::string& s, size_t pos, size_t len, Extended& value) {
    const char* first = s.data() + pos;
    const char* last = first + len;
    if (*first == '+') ++first;
    Extended v = 0;
    auto r = std::from_chars(first, last, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Underflow gives zero; overflow is a conversion failure.
        const std::string t(first, last);
        const size_t e = t.find_first_of("eE");
        const bool big = e != std::string::npos && t[e + 1] != '-';
        if (big) return false; // beyond the range of 10-byte reals: not a number we can hold
        v = t[0] == '-' ? -0.0L : 0.0L;
    } else if (r.ec != std::errc()) {
        return false;
    }
    value = v;
    return true;
}

} // namespace

bool TryStrToReal(const std::string& text, Extended& value) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return false;
    size_t e = text.find_last_not_of(" \t") + 1;
    size_t len = ScanNumber(text, b);
    if (len == 0 || b + len != e) return false;
    return ConvertNumber(text, b, len, value);
}

bool StrToReal(const std::string& text, Extended& value) {
    const std::string u = UpStr(text);
    if (u == "INF") {
        value = InfValue;
        return true;
    }
    if (u == "-INF") {
        value = -InfValue;
        return true;
    }
    return TryStrToReal(text, value);
}

Extended StrToRealDot(const std::string& text, int& errorPos) {
    std::string s = text;
    if (!s.empty() && s.back() == '.') s += "0";
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) {
        errorPos = int(s.size()) + 1;
        return 0;
    }
    size_t len = ScanNumber(s, b);
    Extended v = 0;
    if (len == 0) {
        // Point at the first character that cannot continue a number.
        size_t i = b;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.'))
            ++i;
        if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
            ++i;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        }
        errorPos = int(i) + 1;
        return 0;
    }
    ConvertNumber(s, b, len, v);
    errorPos = (b + len == s.size()) ? 0 : int(b + len) + 1;
    return errorPos == 0 ? v : 0;
}

Extended IntPower(Extended base, int exponent) {
    long long n = exponent;
    bool invert = n < 0;
    if (invert) n = -n;
    Extended result = 1, b = base;
    while (n > 0) {
        if (n & 1) result *= b;
        b *= b;
        n >>= 1;
    }
    return invert ? 1 / result : result;
}

Extended Log10(Extended x) {
    return std::log(x) * 0.4342944805818469L;
}

int TruncToInt(Extended x) {
    if (std::isnan(x)) return 0;
    if (x >= Extended(INT_MAX)) return INT_MAX;
    if (x <= Extended(INT_MIN)) return INT_MIN;
    return int(x);
}

int WordToInt(const std::string& word) {
    const long long v = std::strtoll(word.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

bool RealAcceptable(int kind, Extended low, Extended high, Extended x) {
    if (kind < 0) return false;
    switch (kind) {
    case 1:
        return low < x;
    case 2:
        return low <= x;
    case 3:
    case 6:
    case 65:
        return low <= x && x <= high;
    case 4:
        return x <= high;
    case 5:
        return low < x && x < high;
    default:
        return true;
    }
}

bool ValidateRealText(const std::string& text, int kind, Extended low, Extended high,
                      Extended& value) {
    const std::string t = text.empty() ? " " : text;
    Extended x = 0;
    if (!TryStrToReal(t, x) || !RealAcceptable(kind, low, high, x)) {
        value = 0;
        return false;
    }
    value = x;
    return true;
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while ((i = line.find_first_not_of(" \t", i)) != std::string::npos) {
        const size_t end = line.find_first_of(" \t", i);
        words.push_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}

std::string Trimmed(std::string text) {
    TrimBlanks(text, ShortStringMax);
    return text;
}

std::vector<std::string> SplitAt(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t at = text.find(sep, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos) break;
        start = at + 1;
    }
    return parts;
}

} // namespace kolshell
