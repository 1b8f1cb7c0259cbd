#include "table/tablemodel.h"

#include "common/codecs.h"
#include "common/layout.h"
#include "common/paths.h"
#include "table/deckscan.h"

#include <algorithm>

namespace kolshell {

namespace {

constexpr size_t HeaderSize = TableHeaderSize, RunSlotSize = TableRunSlotSize, RecordSize = 60,
                 ValueSize = 10;

bool ValidCell(const TTable& t, int col, int row) {
    return col >= 1 && col < t.ColCount && row >= 1 && row < t.RowCount;
}

Extended& Cell(TTable& t, int col, int row) {
    return t.Columns[size_t(col - 1)].Values[size_t(row)];
}

// Every edit stores its values here: a value that differs from the old one marks the table
// changed, so closing it asks.
bool Store(TTable& t, int col, int row, Extended v) {
    Extended& cell = Cell(t, col, row);
    if (cell == v) return false;
    cell = v;
    t.TableChanged = true;
    return true;
}

} // namespace

TTable NewTable(const std::vector<std::string>& names, int runs) {
    TTable t;
    t.RowCount = runs + 1;
    t.ColCount = int32_t(names.size()) + 1;
    t.RunDeckNames.assign(size_t(t.RowCount), std::string());
    for (size_t i = 0; i < names.size(); ++i) {
        TableColumn c;
        c.Number = int16_t(i + 1);
        c.Name = names[i].substr(0, TableNameMax);
        c.Values.assign(size_t(t.RowCount), UndefinedValue);
        t.Columns.push_back(c);
    }
    return t;
}

std::string GetS(const TTable& t, int col, int row) {
    if (col <= 0 || col >= t.ColCount || row < 0 || row >= t.RowCount) return {};
    const TableColumn& c = t.Columns[size_t(col - 1)];
    if (row == 0) return c.Name;
    const Extended v = c.Values[size_t(row)];
    if (v == UndefinedValue) return "Enter value";
    if (v == BlankValue) return " ";
    return FormatReal(c.Format.Mode == 2 ? ChooseFormat(4, v) : c.Format, v);
}

bool GridSetEditText(TTable& t, int col, int row, const std::string& text) {
    if (!ValidCell(t, col, row)) return false;
    std::string s = text;
    TrimBlanks(s, ShortStringMax);
    Extended v = BlankValue;
    if (!s.empty() && !TryStrToReal(s, v)) return false;
    return Store(t, col, row, v);
}

std::string CopytoClip(const TTable& t, int left, int top, int right, int bottom) {
    // The whole selection goes to the clipboard, however long.
    std::string text;
    for (int r = top; r <= bottom; ++r) {
        if (r > top) text += "\r\n";
        for (int c = left; c <= right; ++c)
            text += (c > left ? "\t" : "") + GetS(t, c, r);
    }
    return text;
}

std::string PasteText(TTable& t, int startCol, int startRow, const std::string& clip) {
    startCol = std::max(1, startCol);
    std::string text = clip.substr(0, ClipboardMax);
    if (clip.size() > ClipboardMax) text.erase(text.find_last_of('\n') + 1); // no half line
    int col = startCol, row = std::max(1, startRow);
    bool skipLine = false;
    size_t at = 0;
    while (at < text.size() && row < t.RowCount) {
        const size_t end = text.find_first_of("\t\n", at);
        std::string token =
            text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        const bool tab = end != std::string::npos && text[end] == '\t';
        at = end == std::string::npos ? text.size() : end + 1;
        token = token.substr(0, token.find('\r'));
        if (!skipLine) {
            Extended v;
            if (!StrToReal(token, v))
                return "Bad number in row " + std::to_string(row) + " column " +
                       std::to_string(col);
            if (ValidCell(t, col, row)) Store(t, col, row, v);
        }
        if (tab && !skipLine && ++col < t.ColCount) continue;
        skipLine = tab; // past the last column: the rest of this line is dropped
        if (!tab) {
            skipLine = false;
            col = startCol;
            ++row;
        }
    }
    return {};
}

void ClearCells(TTable& t, int left, int top, int right, int bottom) {
    for (int c = left; c <= right; ++c)
        for (int r = top; r <= bottom; ++r)
            if (ValidCell(t, c, r)) Store(t, c, r, UndefinedValue);
}

namespace {

int Pitch(const std::vector<int>& sizes) {
    int total = 0;
    for (int s : sizes)
        total += s + 1;
    return total;
}

// The cells after the first one that show in the room: whole ones, and a last one at most
// extra pixels short of fitting; all of them when the grid fits (step 3 and 4).
int VisibleCells(int room, int total, const std::vector<int>& sizes, int extra) {
    const int count = int(sizes.size()) - 1;
    if (room >= total) return count;
    int n = 0;
    for (int edge = sizes[0]; n < count && edge + sizes[size_t(n) + 1] + 1 <= room + extra; ++n)
        edge += sizes[size_t(n) + 1] + 1;
    return n;
}

// The first cell and the n after it, each with its line.
int Extent(const std::vector<int>& sizes, int n) {
    return Pitch(std::vector<int>(sizes.begin(), sizes.begin() + n + 1));
}

} // namespace

TGridFit FitGrid(const TGridGeometry& g, int clientWidth, int clientHeight, bool hBarShown,
                 bool vBarShown) {
    if (g.ColWidths.empty() || g.RowHeights.empty()) return {clientWidth, clientHeight};
    const int W = Pitch(g.ColWidths), H = Pitch(g.RowHeights);
    const int cw = clientWidth - (vBarShown ? g.BarWidth : 0);
    const int ch = clientHeight - (hBarShown ? g.BarHeight : 0);
    const int n = VisibleCells(cw, W, g.ColWidths, g.DefaultColWidth / 2);
    const int m = VisibleCells(ch, H, g.RowHeights, g.DefaultRowHeight - 4);
    TGridFit fit;
    fit.Width = std::min(W, Extent(g.ColWidths, n));
    fit.Height = Extent(g.RowHeights, m);
    if (W > fit.Width) {
        fit.HBar = true;
        fit.Height += g.BarHeight;
    }
    if (fit.Height < H) {
        fit.Width += g.BarWidth;
        fit.VBar = true;
        fit.HBar = fit.Width < W;
    }
    return fit;
}

namespace {

// A column: its record, then one value for every row (row 0 included). The mark is written
// as the table holds it and not read back: it is Change Variables' working field.
template <class IO> bool ColumnLayout(IO& io, TableColumn& c, size_t rows, std::string& error) {
    io.Int16(c.Number);
    io.Skip(4);
    if (!io.Str(c.Name, TableNameMax)) {
        error = "a variable name is longer than 30 characters";
        return false;
    }
    io.Skip(7);
    io.Byte(c.Format.Mode);
    io.Skip(1);
    io.Int16(c.Format.Digits);
    io.Skip(4);
    int16_t mark = c.Mark;
    io.Int16(mark);
    io.Skip(RecordSize - 54);
    if constexpr (IO::Reading) c.Values.resize(rows);
    for (size_t r = 0; r < rows; ++r) {
        Extended v = r < c.Values.size() ? c.Values[r] : 0;
        io.Ext(v);
        if constexpr (IO::Reading) c.Values[r] = v;
    }
    return true;
}

// The whole file: header, a run deck name slot for every row, the columns, a zero end mark.
// Reading checks the counts and that the file is exactly as long as they say.
template <class IO> bool TableLayout(IO& io, TTable& t, size_t fileSize, std::string& error) {
    io.Str(t.DeckName, 255);
    io.Int32(t.ColCount);
    io.Int32(t.RowCount);
    if constexpr (IO::Reading) {
        if (t.RowCount < 1 || t.RowCount > MaxTableRuns + 1 || t.ColCount < 1 ||
            t.ColCount > 0x7FFF) {
            error = "its run or column count is out of range";
            return false;
        }
        const size_t rows = size_t(t.RowCount), cols = size_t(t.ColCount - 1);
        const size_t size =
            HeaderSize + rows * RunSlotSize + cols * (RecordSize + rows * ValueSize) + 2;
        if (fileSize != size) {
            error = fileSize < size ? "it ends before its last column"
                                    : "it holds more than its columns";
            return false;
        }
        t.Columns.resize(cols);
    }
    for (int16_t* v :
         {&t.OriginX, &t.OriginY, &t.ClientLeft, &t.ClientTop, &t.ClientRight, &t.ClientBottom})
        io.Int16(*v);
    const size_t rows = size_t(t.RowCount);
    if constexpr (IO::Reading) t.RunDeckNames.resize(rows);
    for (size_t k = 0; k < rows; ++k) {
        std::string name = k < t.RunDeckNames.size() ? t.RunDeckNames[k] : std::string();
        if (!io.Str(name, RunDeckNameMax)) {
            error = "a run deck name is too long";
            return false;
        }
        if constexpr (IO::Reading) t.RunDeckNames[k] = name;
        io.Skip(RunSlotSize - RunDeckNameMax - 1);
    }
    for (TableColumn& c : t.Columns)
        if (!ColumnLayout(io, c, rows, error)) return false;
    int16_t end = 0;
    io.Int16(end);
    if (end != 0) {
        error = "its end mark is missing";
        return false;
    }
    return true;
}

} // namespace

std::string EncodeTable(const TTable& t) {
    std::string out, unused;
    TLayoutWriter w(out);
    TableLayout(w, const_cast<TTable&>(t), 0, unused); // the writer only reads the fields
    return out;
}

bool DecodeTable(const std::string& bytes, TTable& t, std::string& error) {
    if (bytes.size() < HeaderSize) {
        error = "it is too short to be a table";
        return false;
    }
    TTable n;
    TLayoutReader r(bytes);
    if (!TableLayout(r, n, bytes.size(), error)) return false;
    t = n;
    return true;
}

bool SaveTable(TTable& t, const std::string& fileName) {
    t.TableFileName = fileName;
    if (!WriteFileAtomic(fileName, EncodeTable(t))) return false;
    t.TableChanged = false;
    return true;
}

bool ReadTable(TTable& t, const std::string& fileName, int unitSystem, std::string& message) {
    message.clear();
    std::string bytes, why;
    TTable n;
    if (IsDirectory(fileName) || !ReadFileBytes(fileName, bytes)) {
        message = "File " + fileName + " cannot be read.";
        return false;
    }
    if (!DecodeTable(bytes, n, why)) {
        message = "File " + fileName + " is not a table file: " + why + ".";
        return false;
    }
    n.TableFileName = fileName;
    if (!ScanDeckConstants(n.DeckName, unitSystem)) {
        // The deck has moved: try the deck named like the table, with the deck's extension.
        const std::string ext = ExtractFileExt(n.DeckName).substr(0, 4);
        n.DeckName = BaseName(fileName) + ext;
        if (!ScanDeckConstants(n.DeckName, unitSystem))
            message = "File " + n.DeckName + " which is used by this table was not found.";
    }
    n.TableChanged = false;
    t = n;
    return true;
}

} // namespace kolshell
