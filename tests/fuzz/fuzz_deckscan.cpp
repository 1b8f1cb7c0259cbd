// The deck scan of the table dialogs.
#include "table/deckscan.h"
#include "tests/fuzz/fuzztarget.h"

using namespace kolshell;

FUZZ_TARGET(deckscan) {
    ScanDeckLines(FuzzLines(data, size), size > 0 && (data[0] & 1) ? 2 : 1);
}
