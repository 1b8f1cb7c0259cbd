// Writing binary fixtures byte by byte, independently of the codecs under test.
#pragma once

#include <cstdint>
#include <string>

inline void Put32(std::string& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = char((uint32_t(v) >> (8 * i)) & 0xFF);
}

// Appending little-endian words, for record-by-record fixtures.
inline void Add16(std::string& b, int v) {
    b += char(v & 0xFF);
    b += char((v >> 8) & 0xFF);
}
inline void Add32(std::string& b, uint32_t v) {
    Add16(b, int(v & 0xFFFF));
    Add16(b, int(v >> 16));
}

// A 6-byte real of a whole number 0 to 2^31 - 1: exponent 129 + floor(log2 v), the bits below
// the leading one as the fraction.
inline std::string R48(int v) {
    if (v == 0) return std::string(6, '\0');
    int e = 0;
    while (e < 30 && (1 << (e + 1)) <= v)
        ++e;
    uint64_t frac = (uint64_t(v) << (39 - e)) & ((uint64_t(1) << 39) - 1);
    std::string b(6, '\0');
    b[0] = char(129 + e);
    for (int i = 1; i <= 5; ++i, frac >>= 8)
        b[size_t(i)] = char(frac & 0xFF);
    return b;
}

// A length byte, then the characters.
inline void PutStr(std::string& b, size_t at, const std::string& s) {
    b[at] = char(s.size());
    b.replace(at + 1, s.size(), s);
}

// A length byte, the characters, then zeros up to width.
inline std::string LengthPrefixed(const std::string& s, size_t width) {
    std::string b(1, char(s.size()));
    b += s;
    b.resize(width, '\0');
    return b;
}

// An 80-bit real by hand: sign and exponent, then the 64-bit significand with its integer bit.
inline std::string ExtendedBytes(bool neg, int exponent, uint64_t significand) {
    std::string b;
    for (int i = 0; i < 8; ++i)
        b += char((significand >> (8 * i)) & 0xFF);
    Add16(b, (neg ? 0x8000 : 0) | (exponent + 16383));
    return b;
}
