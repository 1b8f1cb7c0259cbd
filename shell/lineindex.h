// A text file read in place for viewing: the starts of its lines are indexed a slice at a
// time, and lines are read from the file when they are shown, so a big file is never held
// in memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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
    std::vector<uint64_t> starts_; // start offset of every line seen
    size_t longest_ = 0;
};
