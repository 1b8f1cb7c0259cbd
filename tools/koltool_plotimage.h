// koltool plot-image: a plot file drawn headlessly into a PNG, SVG or PDF picture.
#pragma once

#include "tools/koltool_table.h"

// plot-image FILE.KSP OUT.(png|svg|pdf) [--size WxH]
int PlotImageCmd(const Args& a);
