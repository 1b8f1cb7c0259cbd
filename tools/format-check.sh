#!/bin/sh
# Fails when a tracked C++ source is not formatted as .clang-format says; lists what differs.
# To mend: clang-format -i on the files named.
set -e
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
