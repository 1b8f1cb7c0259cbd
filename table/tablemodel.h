// A parametric table: one column per deck variable, one row per engine run, each cell a
// 10-byte real; and its ".TBL" file.
#pragma once

#include "common/lib1.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kolshell {

constexpr Extended UndefinedValue = 9.99E99L; // shown "Enter value"
constexpr Extended BlankValue = 1E99L;        // shown " "
constexpr int MaxTableRuns = 9999;
constexpr size_t TableNameMax = 30, RunDeckNameMax = 96;
// The file layout: the header, then one run deck name slot (a length byte and 96) per row.
constexpr size_t TableHeaderSize = 276, TableRunSlotSize = 97;
constexpr size_t ClipboardMax = 32760;

struct TableColumn {
    int16_t Number = 0;
    std::string Name;
    std::vector<Extended> Values; // index = run, 0 unused
    NumberFormat Format{2, 4};    // automatic, four significant digits
    int16_t Mark = 0;
};

struct TTable {
    std::string DeckName, TableFileName;
    int32_t ColCount = 1, RowCount = 1; // grid counts, the fixed column and row included
    int16_t OriginX = 0, OriginY = 0;
    int16_t ClientLeft = 0, ClientTop = 0, ClientRight = 0, ClientBottom = 0;
    std::vector<std::string> RunDeckNames; // slot k at [k - 1], RowCount of them in the file
    std::vector<TableColumn> Columns;      // grid column c at [c - 1]
    bool TableChanged = true; // set by every edit that changes the table; saving clears it

    int Runs() const { return RowCount - 1; }
};

// A table of the given variables and runs, every cell undefined.
TTable NewTable(const std::vector<std::string>& names, int runs);

std::string GetS(const TTable& t, int col, int row);
// A cell edit: trimmed; empty stores the blank value; not a number leaves the cell alone.
// True when the stored value changed (the table is then marked changed).
bool GridSetEditText(TTable& t, int col, int row, const std::string& text);
// The display texts of a selection: tabs between cells, CR LF between rows, none at the end.
std::string CopytoClip(const TTable& t, int left, int top, int right, int bottom);
// Pastes clipboard text from a start cell; empty, or the "Bad number in row " message.
std::string PasteText(TTable& t, int startCol, int startRow, const std::string& text);
void ClearCells(TTable& t, int left, int top, int right, int bottom);

// The table window's fit to its grid: the client size that shows whole columns and rows (never
// more than the grid holds) and the scroll bars it needs. Widths and heights are those of the
// cells, each of which takes one pixel more for its grid line.
struct TGridGeometry {
    std::vector<int> ColWidths, RowHeights; // column 0 and row 0 first
    int DefaultColWidth = 90, DefaultRowHeight = 20;
    int BarWidth = 16, BarHeight = 16; // of a vertical and a horizontal scroll bar
};
struct TGridFit {
    int Width = 0, Height = 0;
    bool HBar = false, VBar = false;
};
TGridFit FitGrid(const TGridGeometry& g, int clientWidth, int clientHeight, bool hBarShown,
                 bool vBarShown);

// The file's bytes.
std::string EncodeTable(const TTable& t);
// False with a reason for bytes that are no table file of this layout.
bool DecodeTable(const std::string& bytes, TTable& t, std::string& error);
// Writes the file (the name becomes the table's file name); false when it cannot be written.
bool SaveTable(TTable& t, const std::string& fileName);
// Reads a file; a message (empty when none) for a missing deck or a rejected file. False when
// nothing was read: then the table is left as it was.
bool ReadTable(TTable& t, const std::string& fileName, int unitSystem, std::string& message);

} // namespace kolshell
