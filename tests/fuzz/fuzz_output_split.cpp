// The output reader in two parts at once gives the table one part gives.
#include "plot/outputdata.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>
#include <cstring>

using namespace kolshell;

FUZZ_TARGET(output_split) {
    const std::string text = FuzzText(data, size);
    TOutputData one, two;
    ReadOutputText(text, one, UINT64_MAX);
    ReadOutputText(text, two, 0);
    if (one.NRows != two.NRows || one.NCols != two.NCols) std::abort();
    for (int c = 1; c <= one.NCols; ++c) {
        const auto& a = *one.Columns[size_t(c)];
        const auto& b = *two.Columns[size_t(c)];
        if (std::memcmp(a.data(), b.data(), a.size() * 6) != 0 ||
            one.ColMin[size_t(c)] != two.ColMin[size_t(c)] ||
            one.ColMax[size_t(c)] != two.ColMax[size_t(c)])
            std::abort();
    }
}
