#include "common/globals.h"

namespace kolshell {

TGlobals& Globals() {
    static TGlobals g;
    return g;
}

} // namespace kolshell
