#!/bin/sh
# Configures and builds into build/ (the program directory is build/bin), with Ninja where it is
# installed (a build folder keeps the generator it was first made with): everything, or with
# "program" only the program (kolshell, koltool, koltool-image, the engine, the defaults file
# and the help), not the tests.
set -e
cd "$(dirname "$0")/.."
generator=""
if [ ! -f build/CMakeCache.txt ] && command -v ninja >/dev/null 2>&1; then
  generator="-G Ninja"
fi
cmake -S . -B build $generator -DCMAKE_BUILD_TYPE=Release
if [ "$1" = program ]; then
  cmake --build build -j"$(nproc)" --target kolshell koltool koltool-image kolvan32 default_dft
else
  cmake --build build -j"$(nproc)"
fi
