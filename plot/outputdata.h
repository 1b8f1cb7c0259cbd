// The engine's column files (".OUT", ".O*", ".PLT") read whole into named columns of 6-byte
// reals with the extremes of every column.
#pragma once

#include "common/codecs.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

constexpr int MaxOutputCols = 25;

// Memory for a big column: whole huge pages where the system offers them, so that filling
// it costs a page fault every 2 MB instead of every 4 KB.
void* AllocateColumn(size_t bytes);
void FreeColumn(void* p) noexcept;

// Leaves new elements unset: the reader writes every cell, and the pages of a big table are
// then first touched by the thread that fills them.
template <typename T> struct UnsetAllocator : std::allocator<T> {
    using value_type = T;
    template <typename U> struct rebind { using other = UnsetAllocator<U>; };
    UnsetAllocator() = default;
    template <typename U> UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocateColumn(n * sizeof(T)));
    }
    void deallocate(T* p, size_t) noexcept { FreeColumn(p); }
    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... A> void construct(U* p, A&&... a) {
        ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
    }
};
using Real48Column = std::vector<Real48Bytes, UnsetAllocator<Real48Bytes>>;
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
    std::array<Real48Column, MaxOutputCols + 1> Columns; // row r at [r - 1]

    double Value(int col, int row) const {
        return DecodeReal48(Columns[size_t(col)][size_t(row - 1)]);
    }
    double Min(int col) const { return DecodeReal48(ColMin[size_t(col)]); }
    double Max(int col) const { return DecodeReal48(ColMax[size_t(col)]); }
};

// Reads a column file. The rules for what the engine never writes:
// - a file that cannot be opened gives an empty table (no columns, no rows) and false;
// - a token that is not a number, and the rows past the end of the file (the extra row the
//   count includes), read as 0;
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
