#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite (headless).
set -e
cd "$(dirname "$0")"
sh tools/setup.sh test
sh tools/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
