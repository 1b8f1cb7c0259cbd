#include "common/codecs.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kolshell {

double DecodeReal48(const Real48Bytes& b) {
    if (b[0] == 0) return 0.0;
    uint64_t frac = 0;
    for (int i = 5; i >= 1; --i)
        frac = (frac << 8) | b[size_t(i)];
    const bool neg = (frac >> 39) & 1;
    frac &= (uint64_t(1) << 39) - 1;
    const double mant = 1.0 + std::ldexp(double(frac), -39);
    const double v = std::ldexp(mant, int(b[0]) - 129);
    return neg ? -v : v;
}

namespace {
Real48Bytes Pack48(bool neg, int exp, uint64_t frac) {
    Real48Bytes b{};
    b[0] = uint8_t(exp);
    uint64_t bits = frac | (neg ? uint64_t(1) << 39 : 0);
    for (int i = 1; i <= 5; ++i) {
        b[size_t(i)] = uint8_t(bits & 0xFF);
        bits >>= 8;
    }
    return b;
}
} // namespace

Real48Bytes EncodeReal48Rounded(double x, double& rounded, bool* ok) {
    // Works on the bits of the double: 52 fraction bits rounded to 39, ties to even.
    uint64_t bits;
    std::memcpy(&bits, &x, 8);
    const bool neg = bits >> 63;
    const int exp11 = int((bits >> 52) & 0x7FF);
    const uint64_t frac52 = bits & ((uint64_t(1) << 52) - 1);
    const uint64_t fracMax = (uint64_t(1) << 39) - 1;
    if (ok) *ok = true;
    auto largest = [&] {
        if (ok) *ok = false;
        rounded = neg ? -Real48Max : Real48Max;
        return Pack48(neg, 255, fracMax);
    };
    if (exp11 == 0x7FF) {
        if (frac52 == 0) return largest();
        if (ok) *ok = false;
        rounded = 0;
        return Real48Bytes{};
    }
    uint64_t frac = frac52 >> 13;
    const uint64_t rest = frac52 & 0x1FFF;
    if (rest > 0x1000 || (rest == 0x1000 && (frac & 1))) ++frac;
    int exp = exp11 - 1023 + 129;
    if (frac > fracMax) {
        frac = 0;
        ++exp;
    }
    if (exp11 == 0 || exp < 1) { // zero, or below the smallest 6-byte value
        rounded = neg ? -0.0 : 0.0;
        return Real48Bytes{};
    }
    if (exp > 255) return largest();
    const uint64_t out = (uint64_t(neg) << 63) | (uint64_t(exp - 129 + 1023) << 52) | (frac << 13);
    std::memcpy(&rounded, &out, 8);
    return Pack48(neg, exp, frac);
}

Real48Bytes EncodeReal48(double x, bool* ok) {
    double rounded;
    return EncodeReal48Rounded(x, rounded, ok);
}

double RoundToReal48(double x) {
    return DecodeReal48(EncodeReal48(x));
}

long double DecodeExtended(const Extended80Bytes& b) {
    uint64_t sig = 0;
    for (int i = 7; i >= 0; --i)
        sig = (sig << 8) | b[size_t(i)];
    const int se = b[8] | (b[9] << 8);
    const bool neg = se & 0x8000;
    const int exp = se & 0x7FFF;
    long double v;
    if (exp == 0x7FFF) {
        const bool frac = (sig & ~(uint64_t(1) << 63)) != 0;
        v = frac ? std::numeric_limits<long double>::quiet_NaN()
                 : std::numeric_limits<long double>::infinity();
    } else {
        // Denormals have exponent 0 and count as 2^-16382.
        const int e = (exp == 0 ? 1 : exp) - 16383 - 63;
        v = std::ldexp(static_cast<long double>(sig), e);
    }
    return neg ? -v : v;
}

Extended80Bytes EncodeExtended(long double x) {
    Extended80Bytes b{};
    const bool neg = std::signbit(x);
    uint64_t sig = 0;
    int exp = 0;
    if (std::isnan(x)) {
        exp = 0x7FFF;
        sig = 0xC000000000000000ull;
    } else if (std::isinf(x)) {
        exp = 0x7FFF;
        sig = uint64_t(1) << 63;
    } else if (x != 0) {
        int e2 = 0;
        const long double m = std::frexp(std::fabs(x), &e2); // 0.5 <= m < 1
        exp = e2 - 1 + 16383;
        int shift = 64;
        if (exp < 1) { // denormal: fixed exponent field 0, fewer significant bits
            shift += exp - 1;
            exp = 0;
        }
        sig = uint64_t(std::ldexp(m, shift));
    }
    for (int i = 0; i < 8; ++i) {
        b[size_t(i)] = uint8_t(sig & 0xFF);
        sig >>= 8;
    }
    const int se = exp | (neg ? 0x8000 : 0);
    b[8] = uint8_t(se & 0xFF);
    b[9] = uint8_t(se >> 8);
    return b;
}

void PutString(uint8_t* p, const std::string& s, size_t n) {
    const size_t len = std::min(s.size(), n);
    std::memset(p, 0, n + 1);
    p[0] = uint8_t(len);
    std::memcpy(p + 1, s.data(), len);
}

std::string GetString(const uint8_t* p, size_t n) {
    return std::string(reinterpret_cast<const char*>(p + 1), std::min<size_t>(p[0], n));
}

void PutInt32(uint8_t* p, int32_t v) {
    uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(u >> (8 * i));
}

int32_t GetInt32(const uint8_t* p) {
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | p[i];
    return int32_t(u);
}

void PutInt16(uint8_t* p, int16_t v) {
    p[0] = uint8_t(uint16_t(v) & 0xFF);
    p[1] = uint8_t(uint16_t(v) >> 8);
}

int16_t GetInt16(const uint8_t* p) {
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

} // namespace kolshell
