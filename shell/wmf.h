// Windows metafiles (".WMF"), the vector pictures a deck's diagram may be: the optional
// placeable header and the records, each checked against the length of the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kolshell {

struct TWmfRecord {
    uint16_t Function = 0;
    std::vector<uint8_t> Params; // the record's bytes after its function word

    int16_t Word(size_t i) const;   // the i-th 16-bit parameter; 0 beyond the record
    uint32_t Dword(size_t i) const; // two words from word i, low first
};

struct TWmfFile {
    bool Placeable = false;
    int16_t Left = 0, Top = 0, Right = 0, Bottom = 0; // the placeable header's bounds
    uint16_t Inch = 0;                                // logical units per inch there
    uint16_t Objects = 0;                             // slots of the object table
    std::vector<TWmfRecord> Records;                  // up to the end-of-file record
};

// False with a reason for bytes that are no metafile or that end inside a record.
bool ParseWmf(const std::string& bytes, TWmfFile& wmf, std::string& error);

// Record functions drawn by the diagram window.
enum WmfFunction : uint16_t {
    wmfEOF = 0x0000,
    wmfSaveDC = 0x001E,
    wmfSetBkMode = 0x0102,
    wmfSetMapMode = 0x0103,
    wmfSetPolyFillMode = 0x0106,
    wmfRestoreDC = 0x0127,
    wmfSelectObject = 0x012D,
    wmfSetTextAlign = 0x012E,
    wmfDeleteObject = 0x01F0,
    wmfSetBkColor = 0x0201,
    wmfSetTextColor = 0x0209,
    wmfSetWindowOrg = 0x020B,
    wmfSetWindowExt = 0x020C,
    wmfSetViewportOrg = 0x0211,
    wmfSetViewportExt = 0x0212,
    wmfLineTo = 0x0213,
    wmfMoveTo = 0x0214,
    wmfCreatePenIndirect = 0x02FA,
    wmfCreateFontIndirect = 0x02FB,
    wmfCreateBrushIndirect = 0x02FC,
    wmfPolygon = 0x0324,
    wmfPolyline = 0x0325,
    wmfEllipse = 0x0418,
    wmfRectangle = 0x041B,
    wmfTextOut = 0x0521,
    wmfPolyPolygon = 0x0538,
    wmfRoundRect = 0x061C,
    wmfExtTextOut = 0x0A32,
    // Objects the window does not draw with but that take a slot all the same.
    wmfCreatePalette = 0x00F7,
    wmfDibCreatePatternBrush = 0x0142,
    wmfCreatePatternBrush = 0x01F9,
    wmfCreateRegion = 0x06FF,
};

} // namespace kolshell
