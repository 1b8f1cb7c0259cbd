#include "plot/axis.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace kolshell {

namespace {

Extended PowerOfTen(int p) {
    Extended s = 1;
    for (int k = 0; k < p; ++k)
        s *= 10;
    for (int k = 0; k > p; --k)
        s /= 10;
    return s;
}

int TickDivisor(Extended n) {
    while (n < 10)
        n *= 10;
    for (int i = 9; i >= 3; --i)
        if (std::fabs(std::nearbyint(n / i) * i - n) < 1.0e-6L) return i;
    return 5;
}

int NextTickCount(int n) {
    --n;
    return n < 5 ? 2 * n : n;
}

// The decimals a tick step is shown with: one more than its power of ten below 1, and more
// while the step is not whole in them (0.25 takes two), up to three more.
int StepDecimals(Extended step) {
    const int e = int(std::nearbyint(Log10(step)));
    const int first = e <= 0 ? 1 - e : 0;
    int decimals = first;
    for (Extended scaled = step * PowerOfTen(decimals); decimals < first + 3; ++decimals) {
        if (std::fabs(scaled - std::nearbyint(scaled)) < 1.0e-6L * std::max<Extended>(1, scaled))
            break;
        scaled *= 10;
    }
    return decimals;
}

// Drops end intervals that hold no data, until a pass changes nothing.
void TrimEnds(AxisProposal& p, Extended dataMin, Extended dataMax) {
    for (bool changed = true; changed;) {
        changed = false;
        if (p.Ticks == 5) p.Ticks = 10, changed = true;
        Extended v = p.Min + (p.Ticks - 1) * (p.Max - p.Min) / p.Ticks;
        if (dataMax <= v) {
            p.Ticks = NextTickCount(p.Ticks);
            p.Max = v;
            changed = true;
        }
        v = p.Min + (p.Max - p.Min) / p.Ticks;
        if (dataMin >= v) {
            p.Ticks = NextTickCount(p.Ticks);
            p.Min = v;
            changed = true;
        }
        if (p.Ticks <= 0) break; // cannot happen for real data; keeps the loop finite
    }
}

} // namespace

AxisProposal ScaleMinMax(Extended dataMin, Extended dataMax, int prevTicks, int prevDecimals) {
    AxisProposal p{dataMin, dataMax, prevTicks, prevDecimals};
    const Extended d = dataMax - dataMin;
    if (std::fabs(d) < 1.0e-9L) {
        p.Min = dataMin - 0.5L;
        p.Max = dataMax + 0.5L;
        return p;
    }
    if (!(d > 0) || !std::isfinite(d)) return p;
    const int pw = int(std::trunc(Log10(d)));
    Extended step = PowerOfTen(pw);
    if (d < 0.2L * step)
        step *= 0.2L;
    else if (d < 0.5L * step)
        step *= 0.5L;
    p.Min = std::trunc(dataMin / step) * step;
    while (p.Min > dataMin)
        p.Min -= step;
    p.Max = std::trunc((dataMax + 0.99L * step) / step) * step;
    while (p.Max < dataMax)
        p.Max += step;
    p.Ticks = TickDivisor((p.Max - p.Min) / step);
    TrimEnds(p, dataMin, dataMax);
    // Worked out from the ticks as trimmed: a quarter step after trimming needs its second
    // decimal, or the ends and labels would be rounded off the ticks (4.75 shown as 4.8).
    p.Decimals = std::abs(pw) < 5 ? StepDecimals((p.Max - p.Min) / p.Ticks) : 3;
    return p;
}

std::string ProposalText(Extended value, int decimals) {
    return FormatReal(ChooseFormat(decimals + 1, value), value);
}

namespace {
int ClampPixel(Extended v) {
    if (std::isnan(v)) return 0;
    if (v > PixelLimit) return PixelLimit;
    if (v < -PixelLimit) return -PixelLimit;
    return int(v);
}
bool LogEndsUsable(const AxisScale& a) {
    return a.AxisMin > 0 && a.AxisMax > 0;
}
} // namespace

int ValueToPixel(const AxisScale& a, Extended v, int origin, int span) {
    Extended f;
    if (a.LogAxis && LogEndsUsable(a)) {
        if (!(v > 0)) return ClampPixel(origin);
        f = (Log10(v) - Log10(a.AxisMin)) / (Log10(a.AxisMax) - Log10(a.AxisMin));
    } else {
        f = (v - a.AxisMin) / (a.AxisMax - a.AxisMin);
    }
    return ClampPixel(origin + std::nearbyint(f * span));
}

int Decades(const AxisScale& a) {
    if (!LogEndsUsable(a)) return 0;
    return TruncToInt(std::nearbyint(Log10(a.AxisMax) - Log10(a.AxisMin)));
}

std::string TickLabel(const AxisScale& a, Extended v) {
    const int digits = std::clamp(a.NumDigits, 0, MaxLabelDigits);
    return FormatReal(NumberFormat{uint8_t(a.NumStyle == 1 ? 1 : 0), int16_t(digits)}, v);
}

namespace {

// The next tick of a logarithmic axis after prev; labelled tells whether it is a power of ten.
Extended NextLogTick(Extended prev, int decades, bool& labelled) {
    int e = TruncToInt(Log10(prev));
    Extended m = prev / IntPower(10, e);
    if (m < 1) --e, m *= 10;
    if (m > 9.9999999L) ++e, m /= 10;
    labelled = false;
    Extended v = m * IntPower(10, e);
    for (int t = 1; t <= 10; ++t) {
        if (!(t > 1.001L * m)) continue;
        if (decades >= 4 && t != 1 && t != 10) continue;
        v = t * IntPower(10, e);
        labelled = t == 1 || t == 10;
        break;
    }
    if (v == prev) v *= 10;
    return v;
}

} // namespace

std::vector<AxisTick> MajorTicks(const AxisScale& a, int origin, int span) {
    std::vector<AxisTick> ticks;
    const bool logUsable = !a.LogAxis || LogEndsUsable(a);
    const int decades = Decades(a);
    const int n = std::clamp(a.Ticks == INT_MIN ? INT_MAX : std::abs(a.Ticks), 1, MaxTickIntervals);
    Extended v = a.AxisMin;
    for (int i = 1; i <= MaxTicks; ++i) {
        bool labelled = true;
        if (i > 1) {
            if (!logUsable)
                v = a.AxisMax;
            else if (a.LogAxis)
                v = NextLogTick(v, decades, labelled);
            else
                v += (a.AxisMax - a.AxisMin) / n;
        }
        AxisTick t;
        // A tick that overflows ends the axis too.
        t.Last = !(a.AxisMax > v) || i == MaxTicks || !std::isfinite(v);
        if (t.Last && !std::isnan(v)) v = a.AxisMax;
        t.Value = v;
        t.Labelled = labelled;
        t.Label = TickLabel(a, v);
        t.Pixel = ValueToPixel(a, v, origin, span);
        ticks.push_back(t);
        if (t.Last) break;
    }
    return ticks;
}

std::vector<int> MinorTickPixels(int a, int b, int minorTicks) {
    std::vector<int> px;
    const long long span = (long long)b - a, k = minorTicks;
    if (k <= 0) return px;
    if (k >= std::llabs(span)) {
        // a + span * j / (k + 1) then takes every offset from 0 towards b, each at least once.
        for (long long q = 0; q < std::max(1LL, std::llabs(span)); ++q)
            px.push_back(int(a + (span < 0 ? -q : q)));
        return px;
    }
    for (long long j = 1; j <= k; ++j)
        px.push_back(int(a + span * j / (k + 1)));
    return px;
}

LabelParts SplitLabel(const std::string& label) {
    LabelParts p;
    const size_t e = label.find('E');
    if (e == std::string::npos) {
        p.Mantissa = label;
        return p;
    }
    p.Base = "10";
    const std::string m = label.substr(0, e);
    std::string x = label.substr(e + 1);
    if (m == "1") {
        p.Mantissa.clear();
    } else if (m == "-1") {
        p.Mantissa = "-";
    } else {
        p.Mantissa = m;
        p.Times = true;
    }
    if (x.rfind("+0", 0) == 0)
        x = x.substr(2);
    else if (x.rfind("-0", 0) == 0)
        x = "-" + x.substr(2);
    else if (!x.empty() && x[0] == '+')
        x = x.substr(1);
    p.Exponent = x;
    return p;
}

} // namespace kolshell
