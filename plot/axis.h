// Axis arithmetic: proposed round ends, value to pixel, major and minor ticks, label texts.
#pragma once

#include "common/lib1.h"

#include <string>
#include <vector>

namespace kolshell {

struct AxisProposal {
    Extended Min = 0, Max = 0;
    int Ticks = 5;
    int Decimals = 3;
};

// Round axis ends for data from dataMin to dataMax. A range under 1E-9 is only widened by
// 0.5 each way and keeps the ticks and decimals it had (prevTicks, prevDecimals).
AxisProposal ScaleMinMax(Extended dataMin, Extended dataMax, int prevTicks, int prevDecimals);
// The text an axis end is shown with in the set-up dialog's field.
std::string ProposalText(Extended value, int decimals);

struct AxisScale {
    Extended AxisMin = 0, AxisMax = 1;
    int Ticks = 5;
    int MinorTicks = 0;
    bool LogAxis = false;
    int NumStyle = 1;
    int NumDigits = 2;
};

constexpr int PixelLimit = 32600;

// origin and span: left x and right - left, or bottom y and top - bottom. A logarithmic axis
// with an end that is not positive is mapped linearly; on a usable one, a value that is not
// positive maps to the origin.
int ValueToPixel(const AxisScale& a, Extended v, int origin, int span);
int Decades(const AxisScale& a);

struct AxisTick {
    Extended Value = 0;
    int Pixel = 0;
    bool Labelled = false;
    std::string Label;
    bool Last = false;
};

// The major ticks from AxisMin to AxisMax. A Ticks of 0 counts as 1 and more than
// MaxTickIntervals as that many; a logarithmic axis with an end that is not positive gets its
// two ends only. Never more than MaxTicks ticks, so that a plot file cannot ask for more.
constexpr int MaxTickIntervals = 1000;
constexpr int MaxTicks = MaxTickIntervals + 1;
std::vector<AxisTick> MajorTicks(const AxisScale& a, int origin, int span);
// Pixels of the minor ticks between two major ticks at a and b (linear axes). More ticks than
// pixels between a and b stand on every pixel: never more than |b - a| of them.
std::vector<int> MinorTickPixels(int a, int b, int minorTicks);
// The label's digits are held to 0..MaxLabelDigits, the choices the dialogs offer.
constexpr int MaxLabelDigits = 9;
std::string TickLabel(const AxisScale& a, Extended v);

// A label in exponent form set as mantissa, "x", "10" and a superscript exponent.
struct LabelParts {
    std::string Mantissa;
    bool Times = false;
    std::string Base; // "10", or empty for a label set as it stands
    std::string Exponent;
};
LabelParts SplitLabel(const std::string& label);

} // namespace kolshell
