// The output reader on a whole file in one part.
#include "plot/outputdata.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>

FUZZ_TARGET(output) {
    TOutputData d;
    ReadOutputText(FuzzText(data, size), d, UINT64_MAX);
    for (int c = 1; c <= d.NCols; ++c)
        if (d.Columns[size_t(c)].size() != size_t(d.NRows)) std::abort();
    if (uint64_t(d.NRows) * uint64_t(d.NCols) * 6 > 3 * uint64_t(size) + 1000) std::abort();
}
