#!/bin/sh
# Configures and builds everything into build/ (the program directory is build/bin).
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
