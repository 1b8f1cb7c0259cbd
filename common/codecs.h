// Exact encoders and decoders for the two binary real formats of the program's files.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kolshell {

using Real48Bytes = std::array<uint8_t, 6>;
using Extended80Bytes = std::array<uint8_t, 10>;

// The 6-byte real: byte 0 the exponent biased by 129 (0 means the value 0), bytes 1..5 a
// 39-bit fraction with the sign in the top bit of byte 5, an implied leading 1.
constexpr double Real48Max = 1.7014118346031449e38;         // (2 - 2^-39) * 2^126
constexpr double Real48MinPositive = 2.938735877055719e-39; // 2^-128

// Decodes any 6 bytes; never fails.
double DecodeReal48(const Real48Bytes& b);
// Rounds to the nearest 6-byte real. Values too large (and infinities) become the largest
// value of their sign, values too small become 0, NaN becomes 0; ok is false for NaN and
// for values beyond the range.
Real48Bytes EncodeReal48(double x, bool* ok = nullptr);
// The same, also giving the value the bytes stand for (what DecodeReal48 would give).
Real48Bytes EncodeReal48Rounded(double x, double& rounded, bool* ok = nullptr);
// The same for the values that need no clamping, inline for readers of big files; the rest go
// to EncodeReal48Rounded.
inline Real48Bytes EncodeReal48Fast(double x, double& rounded) {
    uint64_t bits;
    std::memcpy(&bits, &x, 8);
    if ((bits << 1) == 0) { // either zero
        rounded = x;
        return Real48Bytes{};
    }
    const int exp11 = int((bits >> 52) & 0x7FF);
    if (exp11 < 1023 - 128 || exp11 > 1023 + 125) return EncodeReal48Rounded(x, rounded);
    uint64_t frac = (bits & ((uint64_t(1) << 52) - 1)) >> 13;
    const uint64_t rest = bits & 0x1FFF;
    frac += (rest > 0x1000) | ((rest == 0x1000) & frac); // ties to even, without a branch
    const uint64_t out = (bits & (uint64_t(1) << 63)) + (uint64_t(exp11) << 52) + (frac << 13);
    std::memcpy(&rounded, &out, 8); // a carry out of the fraction moves into the exponent
    const uint64_t exp = out >> 52 & 0x7FF;
    const uint64_t packed =
        (exp - 1023 + 129) | ((out >> 13 & ((uint64_t(1) << 39) - 1)) << 8) | (bits >> 63 << 47);
    Real48Bytes b;
    for (size_t i = 0; i < 6; ++i)
        b[i] = uint8_t(packed >> (8 * i));
    return b;
}
// The value x is stored as: what EncodeReal48 then DecodeReal48 give.
double RoundToReal48(double x);

// The 10-byte extended real: bytes 0..7 the 64-bit significand with its explicit integer
// bit, bytes 8..9 the sign and the 15-bit exponent biased by 16383, little-endian.
long double DecodeExtended(const Extended80Bytes& b);
Extended80Bytes EncodeExtended(long double x);

// string[n]: a length byte and n bytes of characters (the rest written as zero); a length
// byte above n is read as n.
void PutString(uint8_t* p, const std::string& s, size_t n);
std::string GetString(const uint8_t* p, size_t n);
// Short strings on disk: string[255].
inline void PutShortString(uint8_t* p, const std::string& s) {
    PutString(p, s, 255);
}
inline std::string GetShortString(const uint8_t* p) {
    return GetString(p, 255);
}

void PutInt32(uint8_t* p, int32_t v);
int32_t GetInt32(const uint8_t* p);
void PutInt16(uint8_t* p, int16_t v);
int16_t GetInt16(const uint8_t* p);
// The bytes of a file held in a string, for the readers above: b[at] onwards.
inline const uint8_t* BytesAt(std::string_view b, size_t at) {
    return reinterpret_cast<const uint8_t*>(b.data() + at);
}

} // namespace kolshell
