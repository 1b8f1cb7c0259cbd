// Looking into a plot: pixels back to values, the rounded axis ends of a zoomed view, and the
// point of a line nearest to an X value.
#pragma once

#include "plot/axis.h"
#include "plot/plotdef.h"

#include <string>

namespace kolshell {

// The part of an axis that zooming changes.
struct AxisView {
    Extended Min = 0, Max = 1;
    int32_t Ticks = 5;
    int16_t Digits = 2;
    bool operator==(const AxisView& o) const {
        return Min == o.Min && Max == o.Max && Ticks == o.Ticks && Digits == o.Digits;
    }
};
AxisView ViewOf(const TPlotDef& def, int axis);
void SetView(TPlotDef& def, int axis, const AxisView& v);

// The value at a pixel, the inverse of ValueToPixel (without its rounding).
Extended PixelToValue(const AxisScale& a, double pixel, int origin, int span);
// The axis showing lo..hi: round ends and ticks as proposed for data over that range, whole
// decades on a logarithmic axis. Ends in the wrong order are swapped.
AxisView ZoomedView(const AxisScale& a, Extended lo, Extended hi);
// The axis scaled by factor around the value at: below 1 zooms in. Its ends rounded as
// ZoomedView rounds them, unless that would undo the step.
AxisView ScaledView(const AxisScale& a, Extended at, double factor);
// The axis moved by a number of pixels of a frame span.
AxisView ShiftedView(const AxisScale& a, double pixels, int span);

// Whether a line's X values never decrease, so that they may be searched by bisection.
bool XIncreasing(const TPlotLine& line);
// The index of the point whose X is nearest x, -1 for a line without points.
int NearestPoint(const TPlotLine& line, Extended x, bool increasing);

} // namespace kolshell
