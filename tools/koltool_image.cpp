// koltool-image FILE.KSP OUT [--size WxH]: what `koltool plot-image` runs. It links the GUI
// libraries that drawing needs, so that koltool itself does without them.
#include "tools/koltool_plotimage.h"

#include <new>

int main(int argc, char** argv) {
    try {
        return PlotImageCmd(Args(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        return Fail("not enough memory for plot-image");
    }
}
