// The engine's column files (".OUT", ".O*", ".PLT") read whole into named columns of 6-byte
// reals with the extremes of every column.
#pragma once

#include "common/codecs.h"
#include "plot/plotvalues.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

constexpr int MaxOutputCols = 25;

constexpr size_t OutputNameMax = 20;

struct TOutputData {
    uint8_t HasNames = 0;
    uint8_t HasUnits = 0;
    int32_t NRows = 0;
    int32_t NCols = 0;
    // Indexed 1..25 as the columns are numbered; entry 0 is unused.
    std::array<std::string, MaxOutputCols + 1> Names;
    std::array<std::string, MaxOutputCols + 1> Units;
    std::array<Real48Bytes, MaxOutputCols + 1> ColMin{};
    std::array<Real48Bytes, MaxOutputCols + 1> ColMax{};
    // Shared with the plot lines made from them; row r at [r - 1].
    std::array<SharedColumn, MaxOutputCols + 1> Columns;

    double Value(int col, int row) const {
        return DecodeReal48((*Columns[size_t(col)])[size_t(row - 1)]);
    }
    double Min(int col) const { return DecodeReal48(ColMin[size_t(col)]); }
    double Max(int col) const { return DecodeReal48(ColMax[size_t(col)]); }
};

// Reads a column file. The rules for what the engine never writes:
// - a file that cannot be opened gives an empty table (no columns, no rows) and false;
// - a token that is not a number, and the rows past the end of the file (the extra row the
//   count includes), read as 0;
// - a value beyond the 6-byte range is stored as the largest value of its sign;
// - numbers may be separated by blanks, tabs, commas and line ends.
bool ReadOutputFile(const std::string& fileName, TOutputData& data);
// Files above this many bytes are read in two parts at once.
constexpr uint64_t OutputSplitSize = uint64_t(4) << 20;
// The same from the bytes of a file.
void ReadOutputText(const std::string& text, TOutputData& data,
                    uint64_t splitAbove = OutputSplitSize);
