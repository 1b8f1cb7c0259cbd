#include "plot/plotview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kolshell {

AxisView ViewOf(const TPlotDef& d, int a) {
    return {d.AxisMin[size_t(a)], d.AxisMax[size_t(a)], d.Ticks[size_t(a)], d.NumDigits[size_t(a)]};
}

void SetView(TPlotDef& d, int a, const AxisView& v) {
    d.AxisMin[size_t(a)] = v.Min;
    d.AxisMax[size_t(a)] = v.Max;
    d.Ticks[size_t(a)] = v.Ticks;
    d.NumDigits[size_t(a)] = v.Digits;
}

namespace {

bool LogUsable(const AxisScale& a) {
    return a.LogAxis && a.AxisMin > 0 && a.AxisMax > 0;
}

// Where values are linear: the value itself, or its logarithm on a logarithmic axis.
Extended Linear(const AxisScale& a, Extended v) {
    return LogUsable(a) ? std::log10(v) : v;
}
Extended Back(const AxisScale& a, Extended v) {
    return LogUsable(a) ? std::pow(10.0L, v) : v;
}

AxisView Current(const AxisScale& a) {
    return {a.AxisMin, a.AxisMax, a.Ticks, int16_t(a.NumDigits)};
}

} // namespace

Extended PixelToValue(const AxisScale& a, double pixel, int origin, int span) {
    if (span == 0) return a.AxisMin;
    const Extended lo = Linear(a, a.AxisMin), hi = Linear(a, a.AxisMax);
    return Back(a, lo + (hi - lo) * (Extended(pixel) - origin) / span);
}

AxisView ZoomedView(const AxisScale& a, Extended lo, Extended hi) {
    if (hi < lo) std::swap(lo, hi);
    AxisView v = Current(a);
    if (LogUsable(a)) {
        lo = std::max(lo, Extended(1e-300L));
        const Extended e0 = std::floor(std::log10(lo)), e1 = std::ceil(std::log10(hi));
        v.Min = std::pow(10.0L, e0);
        v.Max = std::pow(10.0L, std::max(e1, e0 + 1));
        return v;
    }
    const AxisProposal p = ScaleMinMax(lo, hi, a.Ticks, a.NumDigits);
    v.Min = p.Min, v.Max = p.Max, v.Ticks = p.Ticks;
    if (a.NumStyle == 1) v.Digits = int16_t(std::clamp(p.Decimals, 0, MaxLabelDigits));
    return v;
}

AxisView ScaledView(const AxisScale& a, Extended at, double factor) {
    const Extended lo = Linear(a, a.AxisMin), hi = Linear(a, a.AxisMax), c = Linear(a, at);
    const Extended newLo = c - (c - lo) * factor, newHi = c + (hi - c) * factor;
    AxisView exact = Current(a);
    exact.Min = Back(a, newLo), exact.Max = Back(a, newHi);
    const AxisView rounded = ZoomedView(a, exact.Min, exact.Max);
    const Extended span = hi - lo, roundedSpan = Linear(a, rounded.Max) - Linear(a, rounded.Min);
    const bool progress = factor < 1 ? roundedSpan < span * 0.95L : roundedSpan > span * 1.05L;
    return progress ? rounded : exact;
}

AxisView ShiftedView(const AxisScale& a, double pixels, int span) {
    AxisView v = Current(a);
    if (span == 0) return v;
    const Extended lo = Linear(a, a.AxisMin), hi = Linear(a, a.AxisMax);
    const Extended d = (hi - lo) * Extended(pixels) / span;
    v.Min = Back(a, lo - d), v.Max = Back(a, hi - d);
    return v;
}

namespace {
// A number in the order of a 6-byte real's value, from its bits: the exponent byte above the
// fraction, negated for a negative value; every zero exponent is the value 0.
int64_t Real48Order(const Real48Bytes& b) {
    if (b[0] == 0) return 0;
    uint32_t low;
    std::memcpy(&low, b.data() + 1, 4);
    const int64_t magnitude = int64_t(uint64_t(b[0]) << 39 | low | uint64_t(b[5] & 0x7F) << 32);
    return b[5] & 0x80 ? -magnitude : magnitude;
}
} // namespace

bool XIncreasing(const TPlotLine& line) {
    const size_t n = std::min({size_t(std::max(0, line.NPoints)), line.XValues.size()});
    for (size_t k = 1; k < n; ++k)
        if (Real48Order(line.XValues[k]) < Real48Order(line.XValues[k - 1])) return false;
    return true;
}

int NearestPoint(const TPlotLine& line, Extended x, bool increasing) {
    const int n = int(
        std::min({size_t(std::max(0, line.NPoints)), line.XValues.size(), line.YValues.size()}));
    if (n <= 0) return -1;
    auto at = [&](int k) { return DecodeReal48(line.XValues[size_t(k)]); };
    if (increasing) {
        int lo = 0, hi = n - 1; // the first point at or past x lies in lo..hi
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (at(mid) < x)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo > 0 && std::fabs(at(lo - 1) - x) <= std::fabs(at(lo) - x)) return lo - 1;
        return lo;
    }
    int best = 0;
    for (int k = 1; k < n; ++k)
        if (std::fabs(at(k) - x) < std::fabs(at(best) - x)) best = k;
    return best;
}

} // namespace kolshell
