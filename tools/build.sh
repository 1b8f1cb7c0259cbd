#!/bin/sh
# Configures and builds everything into build/ (the program directory is build/bin), with
# Ninja where it is installed. A build folder keeps the generator it was first made with.
set -e
cd "$(dirname "$0")/.."
generator=""
if [ ! -f build/CMakeCache.txt ] && command -v ninja >/dev/null 2>&1; then
  generator="-G Ninja"
fi
cmake -S . -B build $generator -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
