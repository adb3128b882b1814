#!/usr/bin/env bash
# Replays each fuzz target's corpus through a build instrumented for source coverage and prints,
# per target, the regions, lines and branches its reader's files reached (llvm-cov).
# The corpus is the one tools/ci/fuzz.sh left in build-fuzz/corpus/<format>, or, when there is
# none, the committed seeds plus the bundled library files of that format.
#   KOREL_SEED  the bundled library (default build/seed)
set -euo pipefail
cd "$(dirname "$0")/../.."
seed=${KOREL_SEED:-build/seed}
out=build-fuzz-cov
flags="-fprofile-instr-generate -fcoverage-mapping"
CC=clang CXX=clang++ cmake -S . -B $out -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOREL_FUZZ=ON -DKOREL_DESKTOP=OFF -DKOREL_TESTS=OFF -DKOREL_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
targets=$(find fuzz -maxdepth 1 -name 'fuzz_*.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort)
cmake --build $out -j"$(nproc)" --target $targets >/dev/null

# The files that make up each format's reader (and what the target runs after reading).
reader() {
  case $1 in
    bru) echo engine/brush.cpp engine/coded_image.cpp ;;
    coded_image) echo engine/coded_image.cpp ;;
    efb) echo engine/effect.cpp engine/program.cpp ;;
    efc) echo engine/effect.cpp engine/program.cpp engine/palette_range.cpp ;;
    fil) echo engine/fill.cpp engine/coded_image.cpp ;;
    gra) echo engine/gradient.cpp ;;
    rav) echo raves/rave_file.cpp persist/styles.cpp persist/visual_state.cpp ;;
    mvm) echo engine/movement.cpp engine/program.cpp ;;
    cds) echo playback/cd_list.cpp ;;
    cue) echo platform/cd_image.cpp ;;
    pict) echo controls/pictures.cpp ;;
    bmp) echo pictomat/bitmap.cpp pictomat/converter.cpp pictomat/coding.cpp pictomat/window_model.cpp ;;
    *) echo engine ;;
  esac
}
bundled() {
  case $1 in
    bru) echo Brushes bru ;; fil) echo Fills fil ;; gra) echo Gradients gra ;;
    mvm) echo Movements mvm ;; efb) echo Effects efb ;; efc) echo Effects efc ;;
  esac
}

rm -rf $out/profiles && mkdir -p $out/profiles
summary=()
for t in $targets; do
  format=${t#fuzz_}
  corpus=build-fuzz/corpus/$format
  if [ ! -d "$corpus" ]; then
    corpus=$out/corpus/$format
    rm -rf "$corpus" && mkdir -p "$corpus"
    [ -d "fuzz/corpus/$format" ] && cp -r "fuzz/corpus/$format/." "$corpus/"
    read -r folder ending <<<"$(bundled "$format")" || true
    if [ -n "${folder:-}" ] && [ -d "$seed/$folder" ]; then
      find "$seed/$folder" -maxdepth 1 -iname "*.$ending" -exec cp {} "$corpus/" \;
    fi
  fi
  inputs=$(find "$corpus" -type f | wc -l)
  LLVM_PROFILE_FILE="$out/profiles/$t.profraw" "$out/fuzz/$t" -runs=0 "$corpus" \
    >"$out/profiles/$t.log" 2>&1
  llvm-profdata merge -sparse "$out/profiles/$t.profraw" -o "$out/profiles/$t.profdata"
  # The report names files as the compiler saw them (absolute or relative to the build), so
  # the reader's rows are picked by their ending.
  report=$(llvm-cov report "$out/fuzz/$t" -instr-profile="$out/profiles/$t.profdata" |
    awk -v files="$(reader "$format")" '
      BEGIN { n = split(files, want, " ") }
      NR == 1 { printf "%-28s %8s %8s %8s %8s %8s %8s\n", "file", "regions", "missed", "lines", "missed", "branches", "missed" }
      {
        for (i = 1; i <= n; ++i) {
          if ($1 == want[i] || substr($1, length($1) - length(want[i])) == "/" want[i]) {
            printf "%-28s %8d %8d %8d %8d %8d %8d\n", want[i], $2, $3, $8, $9, $11, $12
            r += $2; rm += $3; l += $8; lm += $9; b += $11; bm += $12
          }
        }
      }
      END {
        printf "%-28s %8d %8d %8d %8d %8d %8d\n", "reader", r, rm, l, lm, b, bm
        printf "reached: regions %d of %d, lines %d of %d, branches %d of %d (%.1f%%)\n", r - rm, r, l - lm, l, b - bm, b, b ? 100 * (b - bm) / b : 0
      }')
  echo "== $t: $inputs inputs from $corpus"
  echo "$report"
  total=$(echo "$report" | sed -n 's/^reached: //p')
  summary+=("$(printf '%-18s %s' "$t" "$total")")
done
echo "== reached per target"
printf '%s\n' "${summary[@]}"
