#include "plot/outputdata.h"

#include "common/lib1.h"
#include "common/paths.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace kolshell {

namespace {

constexpr size_t HugePage = size_t(2) << 20;

// Memory in whole huge pages, where the system offers them.
void* AllocateHuge(size_t bytes) {
    const size_t size = (bytes + HugePage - 1) / HugePage * HugePage;
    void* p = nullptr;
    if (posix_memalign(&p, HugePage, size) != 0) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(p, size, MADV_HUGEPAGE);
#endif
    return p;
}

// One run of huge pages that the columns of a big table share, so that only the last page of
// them all is part-used; freed when the last of its columns goes.
struct ColumnBlock {
    char* Base = nullptr;
    size_t Slice = 0, Count = 0, Given = 0, Live = 0;
    bool Open = true; // columns are still being handed out
};

std::mutex BlocksLock;
std::vector<std::unique_ptr<ColumnBlock>> Blocks;
thread_local ColumnBlock* Handing = nullptr;

// Frees the block when it is closed and none of its columns lives. Called under the lock.
void Retire(std::vector<std::unique_ptr<ColumnBlock>>::iterator it) {
    if ((*it)->Open || (*it)->Live > 0) return;
    std::free((*it)->Base);
    Blocks.erase(it);
}

// While it lives, this thread's columns of the given size come from one shared block.
class SharedColumns {
  public:
    SharedColumns(size_t count, size_t bytes) {
        if (count < 2 || bytes < HugePage / 4) return;
        auto block = std::make_unique<ColumnBlock>();
        block->Base = static_cast<char*>(AllocateHuge(count * bytes));
        block->Slice = bytes;
        block->Count = count;
        const std::lock_guard<std::mutex> lock(BlocksLock);
        Handing = block.get();
        Blocks.push_back(std::move(block));
    }
    ~SharedColumns() {
        if (!Handing) return;
        const std::lock_guard<std::mutex> lock(BlocksLock);
        Handing->Open = false;
        for (auto it = Blocks.begin(); it != Blocks.end(); ++it)
            if (it->get() == Handing) {
                Retire(it);
                break;
            }
        Handing = nullptr;
    }
    SharedColumns(const SharedColumns&) = delete;
    SharedColumns& operator=(const SharedColumns&) = delete;
};

// Powers of ten a double holds exactly.
const double Pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

const double InvPow10[] = {1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                           1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
                           1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};

// 10^e for e = -22..22 at [e + 22]: the reciprocals below 0, the exact powers from 0 on.
const double Scale[] = {1e-22, 1e-21, 1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15, 1e-14,
                        1e-13, 1e-12, 1e-11, 1e-10, 1e-9,  1e-8,  1e-7,  1e-6,  1e-5,
                        1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,
                        1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,  1e13,
                        1e14,  1e15,  1e16,  1e17,  1e18,  1e19,  1e20,  1e21,  1e22};

double SlowToken(const char* p, size_t len) {
    double v = 0;
    const char* first = (len > 0 && *p == '+') ? p + 1 : p;
    const auto r = std::from_chars(first, p + len, v);
    if (r.ec == std::errc::result_out_of_range) return first[0] == '-' ? -Real48Max : Real48Max;
    if (r.ec != std::errc() || r.ptr != p + len) return 0; // not a number: counts as 0
    return v;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Numbers as the engine writes them (" 1.2345E+02") take an exact fast path: at most 15
// significant digits times a power of ten that a double holds exactly; anything else goes
// through the general conversion.
double ParseToken(const char* p, size_t len) {
    const char* q = p;
    const char* e = p + len;
    bool neg = false;
    if (q < e && (*q == '-' || *q == '+')) neg = *q++ == '-';
    uint64_t m = 0;
    int sig = 0, scale = 0;
    bool any = false;
    for (; q < e && IsDigit(*q); ++q, any = true) {
        if (sig >= 15) return SlowToken(p, len);
        m = m * 10 + uint64_t(*q - '0');
        sig += m != 0;
    }
    if (q < e && *q == '.')
        for (++q; q < e && IsDigit(*q); ++q, any = true) {
            if (sig >= 15) return SlowToken(p, len);
            m = m * 10 + uint64_t(*q - '0');
            sig += m != 0;
            --scale;
        }
    if (!any) return SlowToken(p, len);
    if (q < e && (*q == 'E' || *q == 'e')) {
        ++q;
        bool eneg = false;
        if (q < e && (*q == '+' || *q == '-')) eneg = *q++ == '-';
        if (q == e || e - q > 4) return SlowToken(p, len);
        int x = 0;
        for (; q < e && IsDigit(*q); ++q)
            x = x * 10 + (*q - '0');
        scale += eneg ? -x : x;
    }
    if (q != e || scale < -22 || scale > 22) return SlowToken(p, len);
    const double v = scale < 0 ? double(m) / Pow10[-scale] : double(m) * Pow10[scale];
    return neg ? -v : v;
}

// The bytes of a file seen through a bounded window, or of a text in memory.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // The bytes from offset on: at least min of them when the file has them.
    virtual const char* View(uint64_t offset, size_t min, size_t& len) = 0;
    // Another window onto the same bytes, for a second reader.
    virtual std::unique_ptr<ByteSource> Clone() const = 0;
    // True once the bytes were found to end before the size first seen.
    virtual bool Shrank() const { return false; }
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(const std::string& text) : text_(text) {}
    uint64_t Size() const override { return text_.size(); }
    const char* View(uint64_t offset, size_t, size_t& len) override {
        len = text_.size() - size_t(offset);
        return text_.data() + offset;
    }
    std::unique_ptr<ByteSource> Clone() const override {
        return std::make_unique<MemorySource>(text_);
    }

  private:
    const std::string& text_;
};

// A regular file read a window at a time with pread into a buffer of its own. A file that
// shrinks while it is read (the engine rewrites its outputs from the start) simply ends
// earlier, and says so; one that grows is read as far as it reached when reading began.
class FileSource : public ByteSource {
  public:
    FileSource(int fd, uint64_t size, uint64_t expected)
        : fd_(fd), size_(size), expected_(expected) {}
    uint64_t Size() const override { return size_; }
    const char* View(uint64_t offset, size_t min, size_t& len) override {
        const size_t want = size_t(std::min<uint64_t>(size_ - offset, std::max(Window, min)));
        if (buf_.size() < want) buf_.resize(want);
        size_t got = 0;
        while (got < want) {
            const ssize_t n = pread(fd_, buf_.data() + got, want - got, off_t(offset + got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += size_t(n);
        }
        if (got < want) size_ = offset + got; // the file ends here now
        len = got;
        return buf_.data();
    }
    std::unique_ptr<ByteSource> Clone() const override {
        return std::make_unique<FileSource>(fd_, size_, expected_);
    }
    bool Shrank() const override { return size_ < expected_; }

  private:
    static constexpr size_t Window = size_t(256) << 10;
    int fd_;
    uint64_t size_, expected_;
    std::vector<char> buf_;
};

// Reads through a byte source: header lines, line counting, and free-format numbers that may
// stand anywhere, also across the window's edges.
class ChunkReader {
  public:
    explicit ChunkReader(ByteSource& src, uint64_t from = 0) : src_(src), start_(from) {}

    uint64_t Position() const { return start_ + pos_; }

    // The next line without its end, at most max characters; the rest of it is skipped.
    std::string ReadLine(size_t max) {
        std::string line;
        bool sawEnd = false;
        while (!sawEnd && Fill(1)) {
            const char* p = buf_ + pos_;
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', end_ - pos_));
            const size_t n = nl ? size_t(nl - p) : end_ - pos_;
            if (line.size() < max) line.append(p, std::min(n, max - line.size()));
            pos_ += n + (nl ? 1 : 0);
            sawEnd = nl != nullptr;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }

    // Line ends from here up to the offset limit (or the end), which becomes the position.
    size_t CountLineEnds(uint64_t limit) {
        size_t n = 0;
        while (Position() < limit && Fill(1)) {
            const char* p = buf_ + pos_;
            const size_t len = size_t(std::min<uint64_t>(end_ - pos_, limit - Position()));
            for (const char* q = p;
                 (q = static_cast<const char*>(std::memchr(q, '\n', size_t(p + len - q)))); ++q)
                ++n;
            last_ = p[len - 1];
            pos_ += len;
        }
        return n;
    }

    // Lines from here to the end; a last line without its end counts too.
    size_t CountLines() {
        const size_t n = CountLineEnds(UINT64_MAX);
        return n + (last_ != '\n' ? 1 : 0);
    }

    void SkipLine() { ReadLine(0); }

    // True when nothing but blanks and line ends is left.
    bool NoMoreNumbers() {
        for (;;) {
            if (!Fill(1)) return true;
            while (pos_ < end_ && IsSpace(buf_[pos_]))
                ++pos_;
            if (pos_ < end_) return false;
        }
    }

    // True at the end of bytes that ended before the size first seen.
    bool CutShort() const { return Position() >= src_.Size() && src_.Shrank(); }

    // Skips to the start of the next line; false at the end of the file.
    bool SkipRestOfLine() {
        while (Fill(1)) {
            const char* p = buf_ + pos_;
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', end_ - pos_));
            if (nl) {
                pos_ += size_t(nl - p) + 1;
                last_ = '\n';
                return true;
            }
            last_ = p[end_ - pos_ - 1];
            pos_ = end_;
        }
        return false;
    }

    // A whole line in the engine's own layout, cols fields of "%13.4E" and the line end, read
    // at once into v; false, with nothing read, for a line that looks otherwise.
    bool EngineLine(int cols, double* v) {
        const size_t len = EngineField * size_t(cols);
        if (!Fill(len + 1)) return false;
        const char* p = buf_ + pos_;
        const size_t crlf = p[len] == '\r';
        if ((crlf && end_ - pos_ < len + 2) || p[len + crlf] != '\n') return false;
        bool ok = true;
        for (int c = 0; c < cols; ++c)
            ok &= EngineValue(p + EngineField * size_t(c), v[c]);
        if (ok) pos_ += len + crlf + 1;
        return ok;
    }

    // The next number; 0 for a token that is not one, or at the end of the file.
    double ReadNumber() {
        if (end_ - pos_ >= 64) { // room for blanks and a whole number: no window checks
            const char* p = buf_ + pos_;
            const char* stop = buf_ + end_ - 16;
            while (p < stop && IsSpace(*p))
                ++p;
            double v;
            const size_t used = p < stop ? FixedLayout(p, v) : 0;
            if (used) {
                p += used;
                pos_ = size_t(p + (*p == ',') - buf_);
                return v;
            }
        }
        for (;;) {
            if (!Fill(1)) return 0;
            while (pos_ < end_ && IsSpace(buf_[pos_]))
                ++pos_;
            if (pos_ < end_) break;
        }
        if (end_ - pos_ >= 12) {
            double v;
            const size_t used = FixedLayout(buf_ + pos_, v);
            if (used) {
                pos_ += used;
                if (buf_[pos_] == ',') ++pos_;
                return v;
            }
        }
        size_t len = 0;
        for (;;) {
            while (pos_ + len < end_ && !IsDelimiter(buf_[pos_ + len]))
                ++len;
            if (pos_ + len < end_ || !Fill(len + 1)) break; // token complete, or file ended
            if (len >= MaxToken) return SkipHugeToken();
        }
        len = std::min(len, end_ - pos_); // the file may have shrunk under us
        const double v = ParseToken(buf_ + pos_, len);
        pos_ += len;
        if (pos_ < end_ && buf_[pos_] == ',') ++pos_;
        return v;
    }

  private:
    static constexpr size_t MaxToken = size_t(1) << 16;
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool IsDelimiter(char c) { return IsSpace(c) || c == ','; }

    // Makes at least n bytes available from pos_ when the file has them; false when none are.
    bool Fill(size_t n) {
        if (end_ - pos_ >= n) return true;
        if (Position() >= src_.Size()) return false;
        start_ += pos_;
        pos_ = 0;
        buf_ = src_.View(start_, n, end_);
        return end_ >= n;
    }

    // One field of 13 characters as "%13.4E" writes a number with two exponent digits,
    // "   d.ddddE+dd" or "  -d.ddddE+dd", checked and converted eight characters at a time
    // with no branch on what they hold. False for a field that looks otherwise.
    static constexpr size_t EngineField = 13;
    static bool EngineValue(const char* f, double& v) {
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
        return false; // the lanes below are laid out first character lowest
#endif
        constexpr uint64_t Zeros = 0x3030303030303030, Sixes = 0x0606060606060606;
        constexpr uint64_t High = 0xF0F0F0F0F0F0F0F0;
        // a: ' ' ' ' sign d '.' d d d   b: d d d d 'E' sign d d  (first character lowest)
        const uint64_t a = Load8(f) ^ Zeros, b = Load8(f + 5) ^ Zeros;
        // The digit lanes now hold 0 to 9: nothing above the low four bits, even plus 6.
        const uint64_t digitsA = 0xFFFFFF00FF000000, digitsB = 0xFFFF0000FFFFFFFF;
        const bool digits =
            ((((a | (a + Sixes)) & digitsA) | ((b | (b + Sixes)) & digitsB)) & High) == 0;
        const bool marks = (a & 0x000000FF0000FFFF) == 0x0000001E00001010 && // "  ", "."
                           (b & 0x000000FF00000000) == 0x0000007500000000;   // "E"
        const bool neg = f[2] == '-', expNeg = f[10] == '-';
        const bool signs = (neg || f[2] == ' ') & (expNeg || f[10] == '+');
        uint64_t t = b & 0x0F0F0F0F; // the four digits after the point
        t = (t * 10 + (t >> 8)) & 0x00FF00FF;
        t = (t * 100 + (t >> 16)) & 0xFFFF;
        const uint32_t m = uint32_t((a >> 24 & 0xF) * 10000 + t);
        const int x = int((b >> 48 & 0xF) * 10 + (b >> 56 & 0xF));
        const int e = (expNeg ? -x : x) - 4;
        if (!(digits & marks & signs & (e >= -22) & (e <= 22))) return false;
        double w = m * Scale[e + 22];
        uint64_t bits;
        std::memcpy(&bits, &w, 8);
        if ((e < 0) & ((bits & 0x1FFF) - 0x1000 + 4 < 8)) w = m / Pow10[-e]; // see Scaled
        std::memcpy(&bits, &w, 8);
        bits |= uint64_t(neg) << 63;
        std::memcpy(&v, &bits, 8);
        return true;
    }
    static uint64_t Load8(const char* p) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        return w;
    }

    // The engine's own layout, "d.ddddE+dd" with an optional minus, followed by a delimiter:
    // read at once. Returns the characters used, or 0 when the token looks otherwise.
    static size_t FixedLayout(const char* p, double& v) {
        const bool neg = *p == '-';
        const char* q = p + neg;
        const auto d = [](char c) { return unsigned(c - '0'); };
        if (d(q[0]) > 9 || q[1] != '.' || d(q[2]) > 9 || d(q[3]) > 9 || d(q[4]) > 9 ||
            d(q[5]) > 9 || (q[6] != 'E' && q[6] != 'e') || (q[7] != '+' && q[7] != '-') ||
            d(q[8]) > 9 || d(q[9]) > 9 || !IsDelimiter(q[10]))
            return 0;
        const uint32_t m =
            d(q[0]) * 10000 + d(q[2]) * 1000 + d(q[3]) * 100 + d(q[4]) * 10 + d(q[5]);
        const int e = int(d(q[8]) * 10 + d(q[9])) * (q[7] == '-' ? -1 : 1) - 4;
        if (e < -22 || e > 22) return 0;
        v = e < 0 ? Scaled(m, -e) : m * Pow10[e];
        if (neg) v = -v;
        return size_t(q + 10 - p);
    }

    // m / 10^k as the 6-byte real will hold it. The product with the reciprocal is within two
    // units of the last place of the exact quotient, so it rounds to the same 6-byte value
    // unless it lies that close to a rounding tie of that format (13 bits down); then divide.
    static double Scaled(uint32_t m, int k) {
        double v = m * InvPow10[k];
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        if ((bits & 0x1FFF) - 0x1000 + 4 < 8) v = m / Pow10[k];
        return v;
    }

    double SkipHugeToken() {
        for (;;) {
            while (pos_ < end_ && !IsDelimiter(buf_[pos_]))
                ++pos_;
            if (pos_ < end_ || !Fill(1)) return 0;
        }
    }

    ByteSource& src_;
    uint64_t start_;
    const char* buf_ = nullptr;
    size_t pos_ = 0, end_ = 0;
    char last_ = '\n';
};

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Header lines are read whole (25 names and their separators pass 255 characters), up to a
// bound that only a file without line ends reaches.
constexpr size_t HeaderLineMax = size_t(1) << 20;

// Header tokens: split at every blank, comma or tab, empty tokens skipped, at most 25.
std::vector<std::string> HeaderTokens(const std::string& line) {
    std::vector<std::string> tokens;
    size_t at = 0;
    while (at < line.size() && tokens.size() < size_t(MaxOutputCols)) {
        size_t cut = line.find_first_of(" ,\t", at);
        if (cut == std::string::npos) cut = line.size();
        if (cut > at) tokens.push_back(line.substr(at, std::min(cut - at, OutputNameMax)));
        at = cut + 1;
    }
    return tokens;
}

// Reads the header lines; returns the offset where the values begin.
uint64_t ReadHeader(ChunkReader& in, TOutputData& d) {
    std::string first = in.ReadLine(HeaderLineMax);
    first.erase(0, std::min(first.find_first_not_of(' '), first.size()));
    first.erase(first.find_last_not_of(' ') + 1);
    for (const std::string& t : HeaderTokens(first))
        d.Names[size_t(++d.NCols)] = t;
    const bool names =
        (!first.empty() && IsLetter(first[0])) || (first.size() > 1 && IsLetter(first[1]));
    if (!names) {
        d.Names[1] = "TIME";
        for (int i = 2; i <= d.NCols; ++i)
            d.Names[size_t(i)] = "Col " + std::to_string(i);
        d.NRows = 1;
        return 0;
    }
    d.HasNames = 1;
    const uint64_t afterNames = in.Position();
    const std::string second = in.ReadLine(HeaderLineMax);
    const std::vector<std::string> units = HeaderTokens(second);
    for (size_t i = 0; i < units.size(); ++i)
        d.Units[i + 1] = units[i];
    d.HasUnits = 1;
    if (!second.empty() && std::string("0123456789.+-").find(second[0]) != std::string::npos) {
        for (auto& u : d.Units)
            u.clear();
        d.HasUnits = 0;
        d.NRows = 1;
        return afterNames;
    }
    return in.Position();
}

// The extremes of every column of the rows read so far, as the 6-byte reals hold them.
struct Extremes {
    std::array<double, MaxOutputCols + 1> Lo, Hi;

    Extremes() {
        Lo.fill(RoundToReal48(9.0e30));
        Hi.fill(RoundToReal48(-9.0e30));
    }
    void Merge(const Extremes& other) {
        for (size_t c = 1; c <= size_t(MaxOutputCols); ++c) {
            Lo[c] = std::min(Lo[c], other.Lo[c]);
            Hi[c] = std::max(Hi[c], other.Hi[c]);
        }
    }
};

// Where the second part of a big file starts: a line start and the row it holds (0: no split).
struct SplitPoint {
    uint64_t Offset = 0;
    int32_t Row = 0;
};

// Reads rows [from, to): each takes the next NCols numbers, then the rest of its line is
// skipped. A row the count adds past the file's end repeats the last row read; the row before
// from is there to repeat unless another part is still reading it (afterRead false). Returns
// to, or the first row that the end of a file which shrank cut short.
int32_t ReadRows(ChunkReader& in, TOutputData& d, int32_t from, int32_t to, Extremes& x,
                 bool afterRead = true) {
    std::array<Real48Bytes*, MaxOutputCols + 1> col{};
    for (int c = 1; c <= d.NCols; ++c)
        col[size_t(c)] = d.Columns[size_t(c)]->data();
    std::array<double, MaxOutputCols + 1> v;
    for (int32_t r = from; r < to; ++r) {
        if (!in.EngineLine(d.NCols, &v[1])) {
            if (r > 0 && (r > from || afterRead) && in.NoMoreNumbers()) {
                if (in.CutShort()) return r;
                for (size_t c = 1; c <= size_t(d.NCols); ++c)
                    col[c][r] = col[c][r - 1];
                continue;
            }
            for (size_t c = 1; c <= size_t(d.NCols); ++c)
                v[c] = in.ReadNumber();
            if (in.CutShort()) return r;
            in.SkipRestOfLine();
        }
        for (size_t c = 1; c <= size_t(d.NCols); ++c) {
            double stored;
            col[c][r] = EncodeReal48Fast(v[c], stored);
            x.Lo[c] = std::min(x.Lo[c], stored);
            x.Hi[c] = std::max(x.Hi[c], stored);
        }
    }
    return to;
}

// A file that shrank while it was read keeps the rows read before its new end.
void KeepRows(TOutputData& d, int32_t rows) {
    d.NRows = rows;
    Extremes x;
    for (size_t c = 1; c <= size_t(d.NCols); ++c) {
        d.Columns[c]->resize(size_t(rows));
        for (const Real48Bytes& b : *d.Columns[c]) {
            x.Lo[c] = std::min(x.Lo[c], DecodeReal48(b));
            x.Hi[c] = std::max(x.Hi[c], DecodeReal48(b));
        }
        d.ColMin[c] = EncodeReal48(x.Lo[c]);
        d.ColMax[c] = EncodeReal48(x.Hi[c]);
    }
}

// Reads the rows in two parts at once when the file was split. The second part's rows are kept
// only when the first part ends exactly where the second began, as a single pass would; a file
// whose rows run over several lines is finished in order instead.
void ReadValues(ByteSource& src, TOutputData& d, const SplitPoint& split) {
    {
        const SharedColumns block(size_t(d.NCols), size_t(d.NRows) * sizeof(Real48Bytes));
        for (int c = 1; c <= d.NCols; ++c)
            d.Columns[size_t(c)] = std::make_shared<Real48Column>(size_t(d.NRows));
    }
    ChunkReader in(src);
    if (d.HasNames) in.SkipLine();
    if (d.HasUnits) in.SkipLine();
    Extremes first, second;
    int32_t done = 0;      // rows read in order
    int32_t cut = d.NRows; // the first row the end of a shrunken file cut short
    if (split.Row > 0 && split.Row < d.NRows) {
        std::unique_ptr<ByteSource> src2 = src.Clone();
        std::thread part;
        int32_t cut2 = d.NRows;
        bool numbers2 = false; // the second part holds a number: else its rows repeat the first's
        try {
            part = std::thread([&] {
                ChunkReader in2(*src2, split.Offset);
                numbers2 = !in2.NoMoreNumbers();
                if (numbers2) cut2 = ReadRows(in2, d, split.Row, d.NRows, second, false);
            });
        } catch (const std::system_error&) { // no thread to be had: one part it is
        }
        if (part.joinable()) {
            done = ReadRows(in, d, 0, split.Row, first);
            part.join();
            if (done < split.Row) {
                cut = done;
            } else if (in.Position() == split.Offset && numbers2) {
                first.Merge(second);
                done = d.NRows;
                cut = cut2;
            }
        }
    }
    if (cut == d.NRows && done < d.NRows) cut = ReadRows(in, d, done, d.NRows, first);
    if (cut < d.NRows) return KeepRows(d, cut);
    for (size_t c = 1; c <= size_t(d.NCols); ++c) {
        d.ColMin[c] = EncodeReal48(first.Lo[c]);
        d.ColMax[c] = EncodeReal48(first.Hi[c]);
    }
}

// The rows a file can fill. Each of a row's numbers takes a character and a delimiter (the
// file's very last one may do without), so rows past (bytes + 1) / (2 * NCols) read nothing
// but the end of the file: such rows, the blank lines at the end of a file for instance, are
// counted only once more. The table then stays within three times the file's size.
int32_t RowsWithin(uint64_t valueBytes, int32_t cols, uint64_t counted) {
    const uint64_t fillable = (valueBytes + 1) / (2 * uint64_t(std::max(1, cols))) + 1;
    return int32_t(std::min<uint64_t>({counted, fillable, uint64_t(INT32_MAX)}));
}

// Reads the header and counts the rows; a file above splitAbove bytes is split at the first
// line start past its middle, and its two parts are counted at once.
SplitPoint ReadLayout(ByteSource& src, TOutputData& d, uint64_t splitAbove) {
    ChunkReader in(src);
    const uint64_t valuesStart = ReadHeader(in, d);
    const uint64_t dataStart = in.Position(), size = src.Size();
    SplitPoint split;
    uint64_t lines = 0;
    if (size > dataStart && size - dataStart > splitAbove) {
        std::unique_ptr<ByteSource> src2 = src.Clone();
        ChunkReader second(*src2, dataStart + (size - dataStart) / 2);
        if (second.SkipRestOfLine() && second.Position() < size) {
            const uint64_t at = second.Position();
            uint64_t rest = 0;
            std::thread part;
            try {
                part = std::thread([&] { rest = second.CountLines(); });
            } catch (const std::system_error&) { // no thread to be had: the rest in order
            }
            lines = in.CountLineEnds(at);
            if (part.joinable()) {
                part.join();
            } else {
                rest = in.CountLines();
            }
            split = {at, int32_t(std::min<uint64_t>(d.NRows + lines, INT32_MAX))};
            lines += rest;
        } else {
            lines = in.CountLines();
        }
    } else {
        lines = in.CountLines();
    }
    // The count runs at least once.
    const uint64_t counted = uint64_t(d.NRows) + std::max<uint64_t>(1, lines);
    d.NRows = RowsWithin(size - std::min(size, valuesStart), d.NCols, counted);
    return split;
}

void ReadSource(ByteSource& src, TOutputData& d, uint64_t splitAbove) {
    d = TOutputData();
    const SplitPoint split = ReadLayout(src, d, splitAbove);
    if (OutputReadBetweenPasses) OutputReadBetweenPasses();
    ReadValues(src, d, split);
}

} // namespace

std::function<void()> OutputReadBetweenPasses;

void* AllocateColumn(size_t bytes) {
    if (Handing && bytes == Handing->Slice && Handing->Given < Handing->Count) {
        const std::lock_guard<std::mutex> lock(BlocksLock);
        ++Handing->Live;
        return Handing->Base + Handing->Slice * Handing->Given++;
    }
    if (bytes >= HugePage) return AllocateHuge(bytes);
    void* p = std::malloc(std::max<size_t>(bytes, 1));
    if (!p) throw std::bad_alloc();
    return p;
}

void FreeColumn(void* p) noexcept {
    {
        const std::lock_guard<std::mutex> lock(BlocksLock);
        for (auto it = Blocks.begin(); it != Blocks.end(); ++it) {
            ColumnBlock& b = **it;
            if (p >= b.Base && p < b.Base + b.Slice * b.Count) {
                --b.Live;
                Retire(it);
                return;
            }
        }
    }
    std::free(p);
}

void ReadOutputText(const std::string& text, TOutputData& d, uint64_t splitAbove) {
    MemorySource src(text);
    ReadSource(src, d, splitAbove);
}

bool ReadOutputFile(const std::string& fileName, TOutputData& d, std::string* error) {
    d = TOutputData();
    if (IsDirectory(fileName)) return false;
    const int fd = open(NativePath(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    try {
        struct stat st {};
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            FileSource src(fd, uint64_t(st.st_size), uint64_t(st.st_size));
            ReadSource(src, d, OutputSplitSize);
        } else { // not a plain file (a pipe, a device): read it whole
            std::string bytes;
            if (!ReadFileBytes(fileName, bytes)) {
                close(fd);
                return false;
            }
            ReadOutputText(bytes, d);
        }
    } catch (const std::bad_alloc&) {
        d = TOutputData();
        if (error) *error = "File " + fileName + " is too large to be read into memory.";
        close(fd);
        return false;
    }
    close(fd);
    return true;
}

} // namespace kolshell
