#include "plot/outputdata.h"

#include "common/lib1.h"
#include "common/paths.h"

#include <charconv>

namespace {

// Walks the text line by line as a text file is read.
class LineCursor {
  public:
    explicit LineCursor(const std::string& t) : t_(t) {}
    bool AtEnd() const { return pos_ >= t_.size(); }
    // The next line without its end, at most max characters; the rest of it is skipped.
    std::string ReadLine(size_t max = std::string::npos) {
        const size_t nl = t_.find('\n', pos_);
        const size_t end = nl == std::string::npos ? t_.size() : nl;
        size_t len = end - std::min(pos_, end);
        if (len > 0 && t_[end - 1] == '\r') --len;
        std::string line = t_.substr(std::min(pos_, t_.size()), std::min(len, max));
        pos_ = nl == std::string::npos ? t_.size() : nl + 1;
        return line;
    }
    void SkipLine() { ReadLine(0); }
    size_t CountLines() const {
        size_t n = 0, p = pos_;
        while (p < t_.size()) {
            const size_t nl = t_.find('\n', p);
            ++n;
            p = nl == std::string::npos ? t_.size() : nl + 1;
        }
        return n;
    }
    // The next free-format number; 0 for a token that is not one or at the end of the text.
    double ReadNumber() {
        while (pos_ < t_.size() && IsSpace(t_[pos_]))
            ++pos_;
        const size_t start = pos_;
        while (pos_ < t_.size() && !IsSpace(t_[pos_]) && t_[pos_] != ',')
            ++pos_;
        double v = 0;
        const char* first = t_.data() + start;
        if (start < pos_ && *first == '+') ++first;
        const auto r = std::from_chars(first, t_.data() + pos_, v);
        if (r.ptr != t_.data() + pos_) v = 0; // not a number: counts as 0
        if (r.ec == std::errc::result_out_of_range) v = first[0] == '-' ? -Real48Max : Real48Max;
        if (pos_ < t_.size() && t_[pos_] == ',') ++pos_;
        return v;
    }
    // Skips the rest of the current line, as reading on to the next line does.
    void SkipRestOfLine() {
        const size_t nl = t_.find('\n', pos_);
        pos_ = nl == std::string::npos ? t_.size() : nl + 1;
    }

  private:
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    const std::string& t_;
    size_t pos_ = 0;
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

void ReadHeader(LineCursor& in, TOutputData& d) {
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

void ReadValues(const std::string& text, TOutputData& d) {
    const Real48Bytes startMin = EncodeReal48(9.0e30), startMax = EncodeReal48(-9.0e30);
    for (int c = 1; c <= d.NCols; ++c) {
        d.ColMin[size_t(c)] = startMin;
        d.ColMax[size_t(c)] = startMax;
        d.Columns[size_t(c)].assign(size_t(d.NRows), Real48Bytes{});
    }
    std::array<double, MaxOutputCols + 1> lo{}, hi{};
    lo.fill(DecodeReal48(startMin));
    hi.fill(DecodeReal48(startMax));
    LineCursor in(text);
    if (d.HasNames) in.SkipLine();
    if (d.HasUnits) in.SkipLine();
    for (int r = 0; r < d.NRows; ++r) {
        for (int c = 1; c <= d.NCols; ++c) {
            const Real48Bytes b = EncodeReal48(in.ReadNumber());
            const double v = DecodeReal48(b);
            if (v < lo[size_t(c)]) lo[size_t(c)] = v, d.ColMin[size_t(c)] = b;
            if (v > hi[size_t(c)]) hi[size_t(c)] = v, d.ColMax[size_t(c)] = b;
            d.Columns[size_t(c)][size_t(r)] = b;
        }
        in.SkipRestOfLine();
    }
}

} // namespace

void ReadOutputText(const std::string& text, TOutputData& d) {
    d = TOutputData();
    LineCursor in(text);
    ReadHeader(in, d);
    d.NRows += int32_t(std::max<size_t>(1, in.CountLines())); // the count runs at least once
    ReadValues(text, d);
}

bool ReadOutputFile(const std::string& fileName, TOutputData& d) {
    std::string text;
    if (!ReadFileBytes(fileName, text)) {
        d = TOutputData();
        return false;
    }
    ReadOutputText(text, d);
    return true;
}
