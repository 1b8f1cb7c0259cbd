#!/bin/sh
# Builds the fuzz targets with clang into build-fuzz (the core libraries only, with
# -fsanitize=fuzzer-no-link,address,undefined), then runs each for a bounded time
# (FUZZ_SECONDS, 20 by default) on a copy of its seed corpus, with its dictionary where it
# has one. Any crash, leak, timeout (> 5 s for one input) or RSS above 2 GB fails; the input
# is kept in build-fuzz/artifacts. Prints each target's executions per second.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLSHELL_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" > /dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzzers
seconds=${FUZZ_SECONDS:-20}
# The painter's target draws text: what the fonts' system libraries keep for the whole process
# is no leak of ours (the suppressions name those libraries only).
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
# The targets that read files write them in a directory of their own, in memory if possible.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
bin=build-fuzz/fuzz
work=build-fuzz/fuzz-work
rm -rf "$work"
mkdir -p "$work" build-fuzz/artifacts
failed=""
for target in $(ls "$bin" | sed -n 's/^fuzz_//p'); do
  name=$target
  case $name in
    output|output_split) dict=output ;;
    engine_deck|engine_expr|rundeck) dict=engine ;;
    kolsedlist) dict=kolsed ;;
    *) dict=$name ;;
  esac
  set -- -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/artifacts/"$name"- -close_fd_mask=3
  [ -f tests/fuzz/$dict.dict ] && set -- "$@" -dict=tests/fuzz/$dict.dict
  mkdir -p "$work/$name"
  if "$bin/fuzz_$name" "$@" "$work/$name" "tests/fuzz/corpus/$name" > "$work/$name.log" 2>&1; then
    result=ok
  else
    result=FAILED
    failed="$failed $name"
    tail -40 "$work/$name.log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
  echo "fuzz $name: $result, ${runs:-0} inputs in ${seconds} s, $(( ${runs:-0} / seconds )) per second"
done
if [ -n "$failed" ]; then
  echo "fuzzing failed:$failed"
  exit 1
fi
