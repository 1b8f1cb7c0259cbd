// A plot written as a picture: PNG, SVG or PDF, the picture the window shows (frame, axes,
// labels, titles, legend, lines and symbols) fitted into the size asked for.
#pragma once

#include "plot/plotdef.h"
#include "plot/widgets/plotpainter.h"

#include <QSize>
#include <string>

namespace kolshell {

// The choices of the export dialog's filter list, in order.
extern const char* const PlotPictureFilter;
// The name with the extension of its format: its own when it has .png, .svg or .pdf (any
// case), otherwise the one of the filter entry chosen (1-based) added.
std::string PlotPictureName(const std::string& name, int filterIndex);
// "800 x 500", "800x500" or "800X500": a size of 16 to 20000 each way.
bool ParsePictureSize(const std::string& text, QSize& size);

// The client area a plot needs to show its frame and its whole legend: at least the one given.
QSize PlotClientFor(const TPlotDef& def, const PlotFrame& frame, const QSize& client);

// Where the plot goes in a picture of the size of target when a window of the given client
// size shows it: the frame fitted, and the legend's font; the legend always inside.
PlotLayout LayOutPicture(const TPlotDef& def, const PlotFrame& frame, const QSize& client,
                         const QSize& target);

// Writes the plot, drawn as in a window of the given client size with its frame there, into
// a picture of the size given (pixels; for a PDF the page in points). The format follows the
// extension. False, with error set, for another extension or a file that cannot be written.
bool ExportPlot(const TPlotDef& def, const PlotFrame& frame, const QSize& client,
                const std::string& fileName, const QSize& size, std::string& error);

} // namespace kolshell
