#include "common/globals.h"

TGlobals& Globals() {
    static TGlobals g;
    return g;
}
