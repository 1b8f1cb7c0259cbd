#!/bin/sh
# Configures and builds into build/ (the program directory is build/bin): everything, or with
# "program" only the program (kolshell, koltool, koltool-image, the engine, the defaults file
# and the help), not the tests.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
if [ "$1" = program ]; then
  cmake --build build -j"$(nproc)" --target kolshell koltool koltool-image kolvan32 default_dft
else
  cmake --build build -j"$(nproc)"
fi
