// The output reader on a whole file in one part, from memory and from a file: the same table
// either way, never larger than three times the file.
#include "plot/outputdata.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>
#include <cstring>

using namespace kolshell;

FUZZ_TARGET(output) {
    const std::string text = FuzzText(data, size);
    TOutputData d, f;
    ReadOutputText(text, d, UINT64_MAX);
    for (int c = 1; c <= d.NCols; ++c)
        if (d.Columns[size_t(c)]->size() != size_t(d.NRows)) std::abort();
    if (uint64_t(d.NRows) * uint64_t(d.NCols) * 6 > 3 * uint64_t(size) + 1000) std::abort();
    if (!ReadOutputFile(FuzzFile("F.OUT", text), f)) std::abort();
    if (f.NRows != d.NRows || f.NCols != d.NCols) std::abort();
    for (int c = 1; c <= d.NCols; ++c)
        if (std::memcmp(f.Columns[size_t(c)]->data(), d.Columns[size_t(c)]->data(),
                        size_t(d.NRows) * 6) != 0)
            std::abort();
}
