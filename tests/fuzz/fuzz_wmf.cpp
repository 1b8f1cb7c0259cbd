// The metafile reader.
#include "shell/wmf.h"
#include "tests/fuzz/fuzztarget.h"

using namespace kolshell;

FUZZ_TARGET(wmf) {
    TWmfFile wmf;
    std::string error;
    if (!ParseWmf(FuzzText(data, size), wmf, error)) return;
    for (const TWmfRecord& r : wmf.Records)
        for (size_t i = 0; i < 8; ++i)
            r.Word(i), r.Dword(i);
}
