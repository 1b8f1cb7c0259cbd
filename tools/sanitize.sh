#!/bin/sh
# The whole test suite once more, built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan (the ordinary build stays as it is). Every
# report, also one from a program a test starts (koltool, the engine), fails: reports are
# written to build-asan/reports/ and any file there is an error.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build build-asan -j"$(nproc)"
reports="$PWD/build-asan/reports"
rm -rf "$reports"
mkdir -p "$reports"
# Leaks are looked for in the Qt test programs too: the suite runs without a report, and the
# suppressions only name libraries of the system (fonts, GLib), never the program's own code.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
status=0
(cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)") || status=1
if [ -n "$(ls "$reports")" ]; then
  for f in "$reports"/*; do
    echo "=== $f"
    cat "$f"
  done
  echo "sanitizer reports in $reports"
  status=1
fi
exit $status
