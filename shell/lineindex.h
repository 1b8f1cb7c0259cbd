// A text file read in place for viewing: the starts of its lines are indexed a slice at a
// time, and lines are read from the file when they are shown, so a big file is never held
// in memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace kolshell {

// The start offsets of a file's lines, in about one byte a line: a full offset for every
// 64th line, and for each other line its distance from the one before; the offsets of lines
// 255 bytes or more after their predecessor are kept apart (9 bytes for such a line).
class TLineStarts {
  public:
    void Clear();
    void PushBack(uint64_t start);
    uint64_t operator[](size_t i) const;
    uint64_t Back() const { return last_; }
    size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    // The bytes the index holds.
    size_t Bytes() const;

  private:
    static constexpr size_t Block = 64;
    static constexpr uint8_t Far = 255;
    std::vector<uint64_t> blocks_;   // the start of every 64th line
    std::vector<uint32_t> blockFar_; // per block: its first entry of far_
    std::vector<uint8_t> steps_;     // start minus the start before; Far: the start is in far_
    std::vector<uint64_t> far_;      // the starts of the far lines, in order
    uint64_t last_ = 0;
    size_t size_ = 0;
};

class TLineIndex {
  public:
    TLineIndex() = default;
    ~TLineIndex();
    TLineIndex(const TLineIndex&) = delete;
    TLineIndex& operator=(const TLineIndex&) = delete;

    bool Open(const std::string& fileName);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    // Indexes up to maxBytes more of the file; false once the whole file is indexed.
    bool IndexStep(size_t maxBytes);
    bool Complete() const { return complete_; }
    uint64_t Size() const { return size_; }
    uint64_t Indexed() const { return indexed_; }

    size_t LineCount() const;
    // Line i (0-based) without its line end, at most maxChars of it.
    std::string Line(size_t i, size_t maxChars = 4096) const;
    size_t LongestLine() const { return longest_; }
    // The bytes the index of line starts takes.
    size_t IndexBytes() const { return starts_.Bytes(); }

    struct Match {
        bool Found = false;
        size_t Line = 0, Column = 0; // 0-based
    };
    // Searches from (line, column), forward or backward, within indexed lines; lines are
    // searched up to maxChars. keepGoing is called now and then and stops the search when false.
    Match Search(const std::string& text, size_t line, size_t column, bool backward, bool matchCase,
                 const std::function<bool()>& keepGoing = {}) const;

  private:
    std::string ReadRange(uint64_t from, uint64_t to) const;

    FILE* file_ = nullptr;
    uint64_t size_ = 0, indexed_ = 0;
    bool complete_ = false;
    bool lastEndedLine_ = true;
    TLineStarts starts_; // start offset of every line seen
    size_t longest_ = 0;
};

// A header line of a column file (names or units) set over the columns of one of its data
// lines: each word ends where its column's number ends. The line stays as it is when its words
// are not one for each column or a word does not fit its column with a blank before it.
std::string AlignedHeader(const std::string& header, const std::string& data);
// A column file's first lines as a viewer shows them: the names line, and the units line when
// there is one, aligned over the first data line (line 2 or 3).
void AlignHeaderLines(std::vector<std::string>& firstLines);

} // namespace kolshell
