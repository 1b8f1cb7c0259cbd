#include "shell/lineindex.h"

#include "common/lib1.h"
#include "common/paths.h"

#include <algorithm>
#include <cstring>

namespace kolshell {

namespace {
constexpr size_t SearchChars = 65536;

std::string Upper(std::string s) {
    return UpStr(s);
}
} // namespace

TLineIndex::~TLineIndex() {
    Close();
}

void TLineStarts::Clear() {
    blocks_ = {};
    blockFar_ = {};
    steps_ = {};
    far_ = {};
    last_ = 0;
    size_ = 0;
}

namespace {
// Grows by a quarter, not the usual double: the room kept spare stays small beside the index.
template <class T> void Room(std::vector<T>& v) {
    if (v.size() == v.capacity()) v.reserve(v.size() + v.size() / 4 + 64);
}
} // namespace

void TLineStarts::PushBack(uint64_t start) {
    Room(steps_);
    if (size_ % Block == 0) {
        Room(blocks_), Room(blockFar_);
        blocks_.push_back(start);
        blockFar_.push_back(uint32_t(far_.size()));
    }
    const uint64_t step = size_ == 0 ? 0 : start - last_;
    steps_.push_back(uint8_t(std::min<uint64_t>(step, Far)));
    if (step >= Far && size_ % Block != 0) Room(far_), far_.push_back(start);
    last_ = start;
    ++size_;
}

uint64_t TLineStarts::operator[](size_t i) const {
    const size_t first = i / Block * Block;
    uint64_t at = blocks_[i / Block];
    size_t far = blockFar_[i / Block];
    for (size_t k = first + 1; k <= i; ++k)
        at = steps_[k] == Far ? far_[far++] : at + steps_[k];
    return at;
}

size_t TLineStarts::Bytes() const {
    return blocks_.capacity() * sizeof(uint64_t) + blockFar_.capacity() * sizeof(uint32_t) +
           steps_.capacity() + far_.capacity() * sizeof(uint64_t);
}

bool TLineIndex::Open(const std::string& fileName) {
    Close();
    if (IsDirectory(fileName)) return false;
    file_ = OpenRegularFileStream(fileName);
    if (!file_) return false;
    std::fseek(file_, 0, SEEK_END);
    const long size = std::ftell(file_);
    size_ = size > 0 ? uint64_t(size) : 0;
    starts_.Clear();
    starts_.PushBack(0);
    return true;
}

void TLineIndex::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    size_ = indexed_ = 0;
    complete_ = false;
    lastEndedLine_ = true;
    starts_.Clear();
    longest_ = 0;
}

bool TLineIndex::IndexStep(size_t maxBytes) {
    if (!file_ || complete_) return false;
    std::vector<char> buf(std::min<uint64_t>(maxBytes, size_ - indexed_));
    std::fseek(file_, long(indexed_), SEEK_SET);
    const size_t got = buf.empty() ? 0 : std::fread(buf.data(), 1, buf.size(), file_);
    for (const char* p = buf.data(); p < buf.data() + got;) {
        const char* nl =
            static_cast<const char*>(std::memchr(p, '\n', size_t(buf.data() + got - p)));
        if (!nl) break;
        const uint64_t next = indexed_ + uint64_t(nl - buf.data()) + 1;
        longest_ = std::max<size_t>(longest_, size_t(next - 1 - starts_.Back()));
        starts_.PushBack(next);
        p = nl + 1;
    }
    indexed_ += got;
    if (got == 0 || indexed_ >= size_) {
        complete_ = true;
        longest_ = std::max<size_t>(longest_, size_t(size_ - starts_.Back()));
        lastEndedLine_ = starts_.Back() == size_;
    }
    return !complete_;
}

size_t TLineIndex::LineCount() const {
    if (starts_.Empty()) return 0;
    // The last start is a line only when text follows it (or nothing else was read).
    const bool tail = complete_ && !lastEndedLine_;
    return starts_.Size() - 1 + (tail ? 1 : 0);
}

std::string TLineIndex::ReadRange(uint64_t from, uint64_t to) const {
    std::string s(size_t(to - from), '\0');
    std::fseek(file_, long(from), SEEK_SET);
    s.resize(std::fread(&s[0], 1, s.size(), file_));
    return s;
}

std::string TLineIndex::Line(size_t i, size_t maxChars) const {
    if (!file_ || i >= LineCount()) return {};
    const uint64_t from = starts_[i];
    const uint64_t end = i + 1 < starts_.Size() ? starts_[i + 1] : size_;
    const uint64_t to = std::min<uint64_t>(end, from + maxChars + 2);
    std::string s = ReadRange(from, to);
    if (to == end && !s.empty() && s.back() == '\n') s.pop_back();
    if (to == end && !s.empty() && s.back() == '\r') s.pop_back();
    if (s.size() > maxChars) s.resize(maxChars);
    return s;
}

TLineIndex::Match TLineIndex::Search(const std::string& text, size_t line, size_t column,
                                     bool backward, bool matchCase,
                                     const std::function<bool()>& keepGoing) const {
    Match m;
    const size_t n = LineCount();
    if (text.empty() || n == 0) return m;
    const std::string want = matchCase ? text : Upper(text);
    for (size_t step = 0, l = std::min(line, n - 1);; ++step) {
        if (step % 4096 == 4095 && keepGoing && !keepGoing()) return m;
        const std::string s = matchCase ? Line(l, SearchChars) : Upper(Line(l, SearchChars));
        size_t at = std::string::npos;
        if (backward) {
            if (l != line)
                at = s.rfind(want);
            else if (column > 0)
                at = s.rfind(want, column - 1);
        } else {
            at = s.find(want, l == line ? column : 0);
        }
        if (at != std::string::npos) return {true, l, at};
        if (backward ? l == 0 : l + 1 >= n) return m;
        l = backward ? l - 1 : l + 1;
    }
}

namespace {

bool IsGap(char c) {
    return c == ' ' || c == '\t' || c == ',';
}

// The words of a line, each with the position just past its end.
std::vector<std::pair<std::string, size_t>> Words(const std::string& line) {
    std::vector<std::pair<std::string, size_t>> words;
    for (size_t i = 0; i < line.size();) {
        if (IsGap(line[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < line.size() && !IsGap(line[i]))
            ++i;
        words.emplace_back(line.substr(start, i - start), i);
    }
    return words;
}

bool IsDataLine(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t");
    return first != std::string::npos &&
           std::string("0123456789.+-").find(line[first]) != std::string::npos;
}

} // namespace

std::string AlignedHeader(const std::string& header, const std::string& data) {
    const auto names = Words(header), columns = Words(data);
    if (names.empty() || names.size() != columns.size()) return header;
    std::string aligned;
    for (size_t i = 0; i < names.size(); ++i) {
        const size_t end = columns[i].second, word = names[i].first.size();
        if (end < aligned.size() + word + (i > 0 ? 1 : 0)) return header;
        aligned += std::string(end - aligned.size() - word, ' ') + names[i].first;
    }
    return aligned;
}

void AlignHeaderLines(std::vector<std::string>& firstLines) {
    std::vector<std::string>& l = firstLines;
    if (l.size() < 2 || l[0].empty() || IsDataLine(l[0])) return;
    const size_t data = IsDataLine(l[1]) ? 1 : 2;
    if (data >= l.size() || !IsDataLine(l[data])) return;
    for (size_t i = 0; i < data; ++i)
        l[i] = AlignedHeader(l[i], l[data]);
}

} // namespace kolshell
