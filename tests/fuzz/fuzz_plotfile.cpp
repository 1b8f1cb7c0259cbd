// The plot file: decoded, its axes worked out as the plot window draws them, written back.
#include "plot/axis.h"
#include "plot/plotdef.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>

using namespace kolshell;

namespace {
AxisScale Scale(const TPlotDef& d, int a) {
    return AxisScale{d.AxisMin[size_t(a)],    d.AxisMax[size_t(a)],      d.Ticks[size_t(a)],
                     d.MinorTicks[size_t(a)], d.LogAxis[size_t(a)] != 0, d.NumStyle[size_t(a)],
                     d.NumDigits[size_t(a)]};
}
} // namespace

FUZZ_TARGET(plotfile) {
    std::string caption, error;
    TPlotDef def;
    if (!DecodePlotFile(FuzzText(data, size), "F.KSP", caption, def, error)) return;
    for (int a = 0; a < 2; ++a) {
        const AxisScale s = Scale(def, a);
        const std::vector<AxisTick> ticks = MajorTicks(s, a ? 225 : 100, a ? -205 : 300);
        for (size_t k = 1; k < ticks.size(); ++k)
            MinorTickPixels(ticks[k - 1].Pixel, ticks[k].Pixel, s.MinorTicks);
        for (const AxisTick& t : ticks)
            SplitLabel(t.Label);
    }
    for (int i = 0; i < def.NLines; ++i) {
        const TPlotLine& l = def.Lines[size_t(i)];
        DrawnSymbol(l.Symbol);
        for (size_t k = 0; k < l.XValues.size(); ++k) {
            ValueToPixel(Scale(def, 0), DecodeReal48(l.XValues[k]), 100, 300);
            ValueToPixel(Scale(def, 1), DecodeReal48(l.YValues[k]), 225, -205);
        }
    }
    std::string again, error2;
    TPlotDef back;
    if (!DecodePlotFile(EncodePlotFile(caption, def), "F.KSP", again, back, error2)) std::abort();
}
