// Draws Windows metafiles with QPainter: lines, polylines, polygons, rectangles, ellipses and
// text, with their pens, brushes and fonts and the window/viewport mapping.
#pragma once

#include "shell/wmf.h"

#include <QImage>
#include <string>

namespace kolshell {

// The picture's size in pixels: the placeable bounds at 96 per inch, else the window extent.
QSize WmfPictureSize(const TWmfFile& wmf);
// tableSteps, when given, gets the steps taken in the object table: one per object record.
QImage RenderWmf(const TWmfFile& wmf, const QSize& size, size_t* tableSteps = nullptr);
// Reads and draws a ".WMF" file; false with a reason when it is unreadable or no metafile.
bool LoadWmfImage(const std::string& fileName, QImage& image, std::string& error);

} // namespace kolshell
