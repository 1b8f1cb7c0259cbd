// Table edits as the grid makes them: a table of some shape (the first bytes), text pasted at
// a cell, cells typed, copied, cleared, runs inserted and deleted; the table stays whole.
#include "table/tableedits.h"
#include "table/tablemodel.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>

using namespace kolshell;

FUZZ_TARGET(tablepaste) {
    if (size < 6) return;
    const int cols = 1 + data[0] % 6, runs = 1 + data[1] % 40;
    const int col = data[2] % 8, row = data[3] % 45;
    const int count = int(int8_t(data[4])) * (data[5] & 0x80 ? 1000 : 1);
    std::vector<std::string> names;
    for (int c = 0; c < cols; ++c)
        names.push_back("V" + std::to_string(c));
    TTable t = NewTable(names, runs);
    const std::string text = FuzzText(data + 6, size - 6);
    PasteText(t, col, row, text);
    GridSetEditText(t, col, row, text.substr(0, text.find('\t')));
    std::string message;
    InsertDeleteRuns(t, count, RunPosition(data[5] % 3), row, 0, message);
    for (const TableColumn& c : t.Columns)
        if (c.Values.size() != size_t(t.RowCount)) std::abort();
    CopytoClip(t, 0, 0, t.ColCount - 1, t.RowCount - 1);
    ClearCells(t, 1, 1, col, row);
    TTable back;
    if (!DecodeTable(EncodeTable(t), back, message)) std::abort();
}
