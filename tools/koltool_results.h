// koltool's commands over a table's results and its filling.
#pragma once

#include "tools/koltool_table.h"

int ResultsCmd(const Args& a);
int FillCmd(const Args& a);
