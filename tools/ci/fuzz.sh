#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan, every library instrumented for coverage)
# and runs each for a bounded time. Each corpus starts from the committed seeds under
# fuzz/corpus/<format> plus the bundled library files of that format, and is kept in
# build-fuzz/corpus/<format> for tools/ci/fuzz_coverage.sh.
#   FUZZ_SECONDS  time per target (30)
#   KOREL_SEED    the bundled library (default build/seed; built in build-fuzz when missing)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${FUZZ_SECONDS:-30}
seed=${KOREL_SEED:-build/seed}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOREL_FUZZ=ON -DKOREL_SANITIZE=ON -DKOREL_DESKTOP=OFF -DKOREL_TESTS=OFF -DKOREL_BENCH=OFF
targets=$(find fuzz -maxdepth 1 -name 'fuzz_*.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort)
extra=()
if [ ! -d "$seed/Brushes" ]; then
  seed=build-fuzz/seed
  extra=(korel_library)
fi
cmake --build build-fuzz -j"$(nproc)" --target $targets "${extra[@]}"

# The bundled files a format's fuzzer starts from (the folder and the name's ending).
bundled() {
  case $1 in
    bru) echo Brushes bru ;; fil) echo Fills fil ;; gra) echo Gradients gra ;;
    mvm) echo Movements mvm ;; efb) echo Effects efb ;; efc) echo Effects efc ;;
  esac
}

status=0
summary=()
for t in $targets; do
  format=${t#fuzz_}
  work=build-fuzz/corpus/$format
  log=build-fuzz/$t.log
  rm -rf "$work" && mkdir -p "$work"
  [ -d "fuzz/corpus/$format" ] && cp -r "fuzz/corpus/$format/." "$work/"
  read -r folder ending <<<"$(bundled "$format")" || true
  if [ -n "${folder:-}" ] && [ -d "$seed/$folder" ]; then
    find "$seed/$folder" -maxdepth 1 -iname "*.$ending" -exec cp {} "$work/" \;
  fi
  seeds=$(find "$work" -type f | wc -l)
  echo "== $t: ${seconds}s from $seeds seeds"
  if "build-fuzz/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="build-fuzz/$t-" "$work" >"$log" 2>&1; then
    result=ok
  else
    # The whole report: everything but libFuzzer's progress lines.
    grep -Ev '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)' "$log" || true
    echo "!! $t found a failure; reproduce with: build-fuzz/fuzz/$t build-fuzz/$t-<artifact>"
    result=FAILED
    status=1
  fi
  final=$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -n 1 || true)
  grep -E '^stat::' "$log" || true
  summary+=("$(printf '%-18s %-6s seeds %-4s %s' "$t" "$result" "$seeds" "$final")")
done
echo "== final coverage per target"
printf '%s\n' "${summary[@]}"
exit $status
