#include "table/responseplot.h"

#include "common/codecs.h"
#include "plot/axis.h"

#include <algorithm>
#include <map>

namespace kolshell {

std::string ResponseLegend(const TResults& r, const TResponseChoice& c) {
    return r.Results[c.Result] + " vs " + r.Variables[c.X];
}

namespace {

struct TPoint {
    long double X;
    double Y;
};

bool Defined(Extended v) {
    return v != UndefinedValue && v != BlankValue;
}

// The points of each family value (one family when there is no second variable).
std::map<long double, std::vector<TPoint>> Families(const TResults& r, const TResponseChoice& c,
                                                    std::vector<int>& leftOut) {
    std::map<long double, std::vector<TPoint>> families;
    for (size_t i = 0; i < r.Rows.size(); ++i) {
        const std::vector<Extended>& values = r.TableValues[i];
        const std::optional<double>& y = r.Rows[i].Values[c.Result];
        const bool family = c.Family < 0 || Defined(values[size_t(c.Family)]);
        if (!y || !Defined(values[c.X]) || !family) {
            leftOut.push_back(r.Rows[i].Run);
            continue;
        }
        const long double key = c.Family < 0 ? 0 : values[size_t(c.Family)];
        families[key].push_back({values[c.X], *y});
    }
    for (auto& [key, points] : families)
        std::stable_sort(points.begin(), points.end(),
                         [](const TPoint& a, const TPoint& b) { return a.X < b.X; });
    return families;
}

std::string FamilyLegend(const std::string& name, long double value) {
    return name + "=" + FormatReal(ChooseFormat(4, value), value);
}

void FillLine(TPlotLine& l, int k, const std::vector<TPoint>& points) {
    l.NPoints = l.SourceRows = int32_t(points.size());
    l.LineNo = k;
    l.XCol = 0;
    l.YCol = 1;
    l.FromRow = 1;
    l.ToRow = l.NPoints;
    l.LineStyle = 1;
    l.Symbol = k; // the runs' points show
    l.Colour = k - 1;
    for (const TPoint& p : points) {
        l.XValues.push_back(EncodeReal48(double(p.X)));
        l.YValues.push_back(EncodeReal48(p.Y));
    }
}

void ScaleAxes(TPlotDef& d) {
    for (int a = 0; a < 2; ++a) {
        double lo = 9.0e30, hi = -9.0e30;
        for (int k = 0; k < d.NLines; ++k)
            for (const Real48Bytes& b :
                 a == 0 ? d.Lines[size_t(k)].XValues : d.Lines[size_t(k)].YValues) {
                lo = std::min(lo, DecodeReal48(b));
                hi = std::max(hi, DecodeReal48(b));
            }
        const AxisProposal p = ScaleMinMax(lo, hi, 5, 3);
        d.AxisMin[size_t(a)] = p.Min;
        d.AxisMax[size_t(a)] = p.Max;
        d.Ticks[size_t(a)] = p.Ticks;
        d.MinorTicks[size_t(a)] = 1;
        d.NumStyle[size_t(a)] = 1;
        d.NumDigits[size_t(a)] = int16_t(std::clamp(p.Decimals, 0, 9));
    }
}

} // namespace

bool BuildResponsePlot(const TResults& r, const TResponseChoice& c, TPlotDef& plot,
                       std::vector<int>& leftOut, std::string& error) {
    leftOut.clear();
    const auto families = Families(r, c, leftOut);
    if (families.empty()) {
        error = "No run has a value of " + r.Results[c.Result] + " to plot.";
        return false;
    }
    if (families.size() > size_t(MaxPlotLines)) {
        error = "A plot holds at most 50 lines: " + r.Variables[size_t(c.Family)] + " has " +
                std::to_string(families.size()) + " values.";
        return false;
    }
    TPlotDef d;
    const std::string unit = r.Units[c.Result].empty() ? "" : " [" + r.Units[c.Result] + "]";
    d.AxisTitle = {r.Variables[c.X].substr(0, 30), (r.Results[c.Result] + unit).substr(0, 30)};
    for (const auto& [key, points] : families) {
        TPlotLine& l = d.Lines[size_t(d.NLines)];
        FillLine(l, ++d.NLines, points);
        l.ColName = {
            r.Variables[c.X].substr(0, 20),
            (c.Family < 0 ? ResponseLegend(r, c) : FamilyLegend(r.Variables[size_t(c.Family)], key))
                .substr(0, 20)};
        l.ColUnits = {"", r.Units[c.Result].substr(0, 20)};
    }
    ScaleAxes(d);
    d.ShowLegend = 1;
    plot = std::move(d);
    return true;
}

} // namespace kolshell
