#include "plot/plotextension.h"

#include "common/codecs.h"
#include "common/paths.h"

#include <algorithm>

namespace kolshell {

namespace {

constexpr std::string_view Magic = "KSPX";

void Put16(std::string& out, size_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

size_t Get16(std::string_view in, size_t at) {
    return uint16_t(GetInt16(BytesAt(in, at)));
}

} // namespace

std::string EncodePlotExtension(const TPlotDef& def) {
    std::string entries;
    size_t count = 0;
    for (int i = 0; i < std::min(def.NLines, MaxPlotLines); ++i) {
        const std::string& legend = def.Lines[size_t(i)].Legend;
        if (legend.empty() || legend == def.Lines[size_t(i)].ColName[1]) continue;
        const std::string text = legend.substr(0, 0xFFFF);
        Put16(entries, size_t(i + 1));
        Put16(entries, text.size());
        entries += text;
        ++count;
    }
    if (count == 0) return {};
    std::string out(Magic);
    Put16(out, count);
    return out + entries;
}

void DecodePlotExtension(std::string_view in, TPlotDef& def) {
    if (in.substr(0, Magic.size()) != Magic || in.size() < Magic.size() + 2) return;
    const size_t count = Get16(in, Magic.size());
    size_t at = Magic.size() + 2;
    for (size_t k = 0; k < count && in.size() - at >= 4; ++k) {
        const size_t line = Get16(in, at), length = Get16(in, at + 2);
        at += 4;
        if (in.size() - at < length) return;
        if (line >= 1 && int(line) <= std::min(def.NLines, MaxPlotLines))
            def.Lines[line - 1].Legend = std::string(in.substr(at, length));
        at += length;
    }
}

std::string PlotFileBytes(const std::string& caption, const TPlotDef& def) {
    return EncodePlotFile(caption, def) + EncodePlotExtension(def);
}

bool SavePlotWithLegends(const std::string& fileName, const std::string& caption,
                         const TPlotDef& def) {
    return WriteFileAtomic(fileName, PlotFileBytes(caption, def));
}

bool OpenPlotWithLegends(const std::string& fileName, std::string& caption, TPlotDef& def,
                         std::string& error) {
    std::string trailer;
    if (!OpenPlotFile(fileName, caption, def, error, &trailer)) return false;
    DecodePlotExtension(trailer, def);
    return true;
}

} // namespace kolshell
