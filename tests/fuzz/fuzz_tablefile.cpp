// The table file: decoded, every cell shown as the grid shows it, written back and read again.
#include "table/tablemodel.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>

using namespace kolshell;

FUZZ_TARGET(tablefile) {
    TTable t;
    std::string error;
    if (!DecodeTable(FuzzText(data, size), t, error)) return;
    for (int c = 0; c < t.ColCount; ++c)
        for (int r = 0; r < t.RowCount; ++r)
            GetS(t, c, r);
    CopytoClip(t, 0, 0, t.ColCount - 1, t.RowCount - 1);
    TTable back;
    if (!DecodeTable(EncodeTable(t), back, error)) std::abort();
}
