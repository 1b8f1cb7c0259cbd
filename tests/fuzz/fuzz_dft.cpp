// The defaults file: decoded, written back and decoded again to the same settings.
#include "common/settings.h"
#include "tests/fuzz/fuzztarget.h"

#include <cstdlib>

using namespace kolshell;

FUZZ_TARGET(dft) {
    TSettings s;
    if (DecodeDFT(FuzzText(data, size), s, [](const std::string&) { return false; }) !=
        DftStatus::Ok)
        return;
    TSettings back;
    if (DecodeDFT(EncodeDFT(s), back, [](const std::string&) { return false; }) != DftStatus::Ok)
        std::abort();
}
