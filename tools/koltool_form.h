// koltool's form editor commands.
#pragma once

#include "tools/koltool_table.h"

int FormCmd(const Args& a);
int WriteDeckCmd(const Args& a);
