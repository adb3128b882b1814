#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded time,
# starting from a copy of its committed seed corpus. FUZZ_SECONDS sets the time per target.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${FUZZ_SECONDS:-30}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOREL_FUZZ=ON -DKOREL_SANITIZE=ON -DKOREL_DESKTOP=OFF -DKOREL_TESTS=OFF -DKOREL_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-Wno-error"
targets=$(find fuzz -maxdepth 1 -name 'fuzz_*.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort)
cmake --build build-fuzz -j"$(nproc)" --target $targets
status=0
for t in $targets; do
  format=${t#fuzz_}
  work=$(mktemp -d)
  [ -d "fuzz/corpus/$format" ] && cp -r "fuzz/corpus/$format/." "$work/"
  echo "== $t: ${seconds}s"
  if ! "build-fuzz/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="build-fuzz/$t-" "$work" 2>&1 | tail -n 12; then
    echo "!! $t found a failure (see build-fuzz/$t-*)"
    status=1
  fi
  rm -rf "$work"
done
exit $status
