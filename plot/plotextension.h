// Legends longer than a line's 20-character name field, kept in the plot file after all that
// the file's layout defines: a block that readers of that layout never reach.
//
// The block: the four characters "KSPX", a 16-bit count, then per entry the line number
// (16-bit, 1-based), a 16-bit length and that many characters of the line's legend.
#pragma once

#include "plot/plotdef.h"

#include <string>
#include <string_view>

namespace kolshell {

// The block for the plot's full legends; empty when every legend fits its name field.
std::string EncodePlotExtension(const TPlotDef& def);
// Takes the full legends from the bytes after the defined part; anything else is ignored.
void DecodePlotExtension(std::string_view trailing, TPlotDef& def);

// The bytes of the plot file with its full legends.
std::string PlotFileBytes(const std::string& caption, const TPlotDef& def);
// The plot file with its full legends.
bool SavePlotWithLegends(const std::string& fileName, const std::string& caption,
                         const TPlotDef& def);
bool OpenPlotWithLegends(const std::string& fileName, std::string& caption, TPlotDef& def,
                         std::string& error);

} // namespace kolshell
