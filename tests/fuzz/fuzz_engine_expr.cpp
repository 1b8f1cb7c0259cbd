// The stand-in engine's expressions: parsed, then evaluated with names and outputs that give
// numbers of every kind.
#include "engine/expr.h"
#include "tests/fuzz/fuzztarget.h"

#include <limits>

using namespace kolshell;

FUZZ_TARGET(engine_expr) {
    Expr e;
    std::string error;
    if (!e.Parse(FuzzText(data, size), error)) return;
    e.Names();
    const Expr::Context c{[](const std::string& n) { return n.size() % 2 ? -0.5 : 1e308; },
                          [](int u, int o) {
                              return u == o ? std::numeric_limits<double>::infinity()
                                            : double(u) - o;
                          }};
    e.Evaluate(c);
}
