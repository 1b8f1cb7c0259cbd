// The engine's column files (".OUT", ".O*", ".PLT") read whole into named columns of 6-byte
// reals with the extremes of every column.
#pragma once

#include "common/codecs.h"
#include "plot/plotvalues.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace kolshell {

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
// - a token that is not a number reads as 0; a row past the end of the file (the extra row
//   the count includes) repeats the last row read;
// - lines that no number reaches (blank lines at the end, lines of separators) count as rows
//   only as far as the file's numbers could fill them, plus the one extra row: the table
//   never takes more than three times the file's size;
// - a value beyond the 6-byte range is stored as the largest value of its sign;
// - numbers may be separated by blanks, tabs, commas and line ends;
// - a file that shrinks while it is read (a run rewriting it) gives the rows read before its
//   new end; one that grows is read as far as it reached when reading began;
// - a table too large for the memory gives an empty table, false and the reason in error.
bool ReadOutputFile(const std::string& fileName, TOutputData& data, std::string* error = nullptr);
// Called between the count of the rows and the reading of the values: tests change the file
// there.
extern std::function<void()> OutputReadBetweenPasses;
// Files above this many bytes are read in two parts at once.
constexpr uint64_t OutputSplitSize = uint64_t(4) << 20;
// The same from the bytes of a file.
void ReadOutputText(const std::string& text, TOutputData& data,
                    uint64_t splitAbove = OutputSplitSize);

} // namespace kolshell
