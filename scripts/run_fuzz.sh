#!/usr/bin/env bash
# Builds the libFuzzer targets of toolkit/formats with clang in build-fuzz/ and
# runs each for a bounded time on a corpus seeded from WriteCmo/WriteSpriteFont.
#   scripts/run_fuzz.sh [SECONDS]     (default 30 seconds per target)
#   BUILD_DIR=... scripts/run_fuzz.sh
# Exits non-zero when a target crashes (the reproducer is left in the
# artifacts folder the run prints) or when the build fails.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-30}"
build_dir="${BUILD_DIR:-$here/build-fuzz}"
case "$seconds" in ''|*[!0-9]*) echo "run_fuzz: SECONDS must be a whole number" >&2; exit 2 ;; esac

generator=()
command -v ninja >/dev/null && [ ! -f "$build_dir/CMakeCache.txt" ] && generator=(-G Ninja)
CC=clang CXX=clang++ cmake -S "$here" -B "$build_dir" "${generator[@]}" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELA_BUILD_FUZZ=ON -DQUELA_BUILD_TESTS=OFF -DQUELA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target cmo_fuzz spritefont_fuzz formats_fuzz_seeds

fuzz_dir="$build_dir/fuzz-run"
mkdir -p "$fuzz_dir/seeds/cmo" "$fuzz_dir/seeds/spritefont" \
  "$fuzz_dir/corpus/cmo" "$fuzz_dir/corpus/spritefont" "$fuzz_dir/artifacts"
"$build_dir/toolkit/formats/formats_fuzz_seeds" "$fuzz_dir/seeds/cmo" "$fuzz_dir/seeds/spritefont"

status=0
for target in cmo spritefont; do
  echo "run_fuzz: ${target}_fuzz for ${seconds} s"
  # The corpus folder keeps what a run found; the seed folder is read only.
  if ! "$build_dir/toolkit/formats/${target}_fuzz" \
      -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$fuzz_dir/artifacts/${target}-" \
      "$fuzz_dir/corpus/$target" "$fuzz_dir/seeds/$target" 2>"$fuzz_dir/${target}.log"; then
    echo "run_fuzz: ${target}_fuzz FAILED; log $fuzz_dir/${target}.log, reproducer in $fuzz_dir/artifacts/" >&2
    tail -n 40 "$fuzz_dir/${target}.log" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units|^Done" "$fuzz_dir/${target}.log" || true
  fi
done
exit "$status"
