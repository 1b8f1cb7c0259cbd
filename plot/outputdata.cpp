#include "plot/outputdata.h"

#include "common/lib1.h"
#include "common/paths.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Powers of ten a double holds exactly.
const double Pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

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

// Reads a file through one bounded buffer: header lines, line counting, and free-format numbers
// that may stand anywhere, also across the buffer's edges.
class ChunkReader {
  public:
    explicit ChunkReader(FILE* f) : f_(f), buf_(BufferSize) {}

    // The next line without its end, at most max characters; the rest of it is skipped.
    std::string ReadLine(size_t max) {
        std::string line;
        bool sawEnd = false;
        while (!sawEnd && Fill(1)) {
            const char* p = buf_.data() + pos_;
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', end_ - pos_));
            const size_t n = nl ? size_t(nl - p) : end_ - pos_;
            if (line.size() < max) line.append(p, std::min(n, max - line.size()));
            pos_ += n + (nl ? 1 : 0);
            sawEnd = nl != nullptr;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }

    // Lines from here to the end; a last line without its end counts too.
    size_t CountLines() {
        size_t n = 0;
        char last = '\n';
        while (Fill(1)) {
            const char* p = buf_.data() + pos_;
            const size_t len = end_ - pos_;
            for (const char* q = p;
                 (q = static_cast<const char*>(std::memchr(q, '\n', size_t(p + len - q)))); ++q)
                ++n;
            last = p[len - 1];
            pos_ = end_;
        }
        return n + (last != '\n' ? 1 : 0);
    }

    void SkipLine() { ReadLine(0); }

    void SkipRestOfLine() {
        while (Fill(1)) {
            const char* p = buf_.data() + pos_;
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', end_ - pos_));
            if (nl) {
                pos_ += size_t(nl - p) + 1;
                return;
            }
            pos_ = end_;
        }
    }

    // The next number; 0 for a token that is not one, or at the end of the file.
    double ReadNumber() {
        for (;;) {
            if (!Fill(1)) return 0;
            while (pos_ < end_ && IsSpace(buf_[pos_]))
                ++pos_;
            if (pos_ < end_) break;
        }
        if (end_ - pos_ >= 12) {
            double v;
            const size_t used = FixedLayout(buf_.data() + pos_, v);
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
            if (len >= BufferSize / 2) return SkipHugeToken();
        }
        const double v = ParseToken(buf_.data() + pos_, len);
        pos_ += len;
        if (pos_ < end_ && buf_[pos_] == ',') ++pos_;
        return v;
    }

  private:
    static constexpr size_t BufferSize = size_t(1) << 20;
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool IsDelimiter(char c) { return IsSpace(c) || c == ','; }

    // Makes at least n bytes available from pos_ when the file has them; false when none are.
    bool Fill(size_t n) {
        if (end_ - pos_ >= n) return true;
        if (eof_) return false;
        std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        while (end_ < n && !eof_) {
            const size_t got = std::fread(buf_.data() + end_, 1, buf_.size() - end_, f_);
            end_ += got;
            if (got == 0) eof_ = true;
        }
        return end_ - pos_ >= n;
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
        v = e < 0 ? m / Pow10[-e] : m * Pow10[e];
        if (neg) v = -v;
        return size_t(q + 10 - p);
    }

    double SkipHugeToken() {
        for (;;) {
            while (pos_ < end_ && !IsDelimiter(buf_[pos_]))
                ++pos_;
            if (pos_ < end_ || !Fill(1)) return 0;
        }
    }

    FILE* f_;
    std::vector<char> buf_;
    size_t pos_ = 0, end_ = 0;
    bool eof_ = false;
};

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Header tokens: split at the first blank, comma or tab, empty tokens skipped, at most 25.
std::vector<std::string> HeaderTokens(std::string rest) {
    std::vector<std::string> tokens;
    while (!rest.empty() && tokens.size() < size_t(MaxOutputCols)) {
        const size_t cut = rest.find_first_of(" ,\t");
        const std::string token = cut == std::string::npos ? rest : rest.substr(0, cut);
        rest = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
        TrimBlanks(rest, ShortStringMax);
        if (!token.empty()) tokens.push_back(token.substr(0, OutputNameMax));
    }
    return tokens;
}

void ReadHeader(ChunkReader& in, TOutputData& d) {
    std::string first = in.ReadLine(ShortStringMax);
    TrimBlanks(first, ShortStringMax);
    for (const std::string& t : HeaderTokens(first))
        d.Names[size_t(++d.NCols)] = t;
    const bool names =
        (!first.empty() && IsLetter(first[0])) || (first.size() > 1 && IsLetter(first[1]));
    if (!names) {
        d.Names[1] = "TIME";
        for (int i = 2; i <= d.NCols; ++i)
            d.Names[size_t(i)] = "Col " + std::to_string(i);
        d.NRows = 1;
        return;
    }
    d.HasNames = 1;
    const std::string second = in.ReadLine(ShortStringMax);
    const std::vector<std::string> units = HeaderTokens(second);
    for (size_t i = 0; i < units.size(); ++i)
        d.Units[i + 1] = units[i];
    d.HasUnits = 1;
    if (!second.empty() && std::string("0123456789.+-").find(second[0]) != std::string::npos) {
        for (auto& u : d.Units)
            u.clear();
        d.HasUnits = 0;
        d.NRows = 1;
    }
}

void ReadValues(FILE* f, TOutputData& d) {
    const Real48Bytes startMin = EncodeReal48(9.0e30), startMax = EncodeReal48(-9.0e30);
    for (int c = 1; c <= d.NCols; ++c) {
        d.ColMin[size_t(c)] = startMin;
        d.ColMax[size_t(c)] = startMax;
        d.Columns[size_t(c)].assign(size_t(d.NRows), Real48Bytes{});
    }
    std::array<double, MaxOutputCols + 1> lo{}, hi{};
    lo.fill(DecodeReal48(startMin));
    hi.fill(DecodeReal48(startMax));
    ChunkReader in(f);
    if (d.HasNames) in.SkipLine();
    if (d.HasUnits) in.SkipLine();
    for (int r = 0; r < d.NRows; ++r) {
        for (int c = 1; c <= d.NCols; ++c) {
            double v;
            const Real48Bytes b = EncodeReal48Rounded(in.ReadNumber(), v);
            if (v < lo[size_t(c)]) lo[size_t(c)] = v, d.ColMin[size_t(c)] = b;
            if (v > hi[size_t(c)]) hi[size_t(c)] = v, d.ColMax[size_t(c)] = b;
            d.Columns[size_t(c)][size_t(r)] = b;
        }
        in.SkipRestOfLine();
    }
}

bool ReadStream(FILE* f, TOutputData& d) {
    d = TOutputData();
    {
        ChunkReader in(f);
        ReadHeader(in, d);
        d.NRows += int32_t(std::max<size_t>(1, in.CountLines())); // the count runs at least once
    }
    std::rewind(f);
    ReadValues(f, d);
    return true;
}

} // namespace

void ReadOutputText(const std::string& text, TOutputData& d) {
    std::string copy = text.empty() ? std::string(" ") : text; // fmemopen needs a byte
    FILE* f = fmemopen(copy.data(), copy.size(), "r");
    if (!f) {
        d = TOutputData();
        return;
    }
    ReadStream(f, d);
    std::fclose(f);
}

bool ReadOutputFile(const std::string& fileName, TOutputData& d) {
    FILE* f = IsDirectory(fileName) ? nullptr : std::fopen(NativePath(fileName).c_str(), "rb");
    if (!f) {
        d = TOutputData();
        return false;
    }
    ReadStream(f, d);
    std::fclose(f);
    return true;
}
