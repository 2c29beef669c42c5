#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and fuzzes one of them.
#   scripts/fuzz.sh NAME [SECONDS] [libFuzzer option...]
# NAME is one of expression, world-files, equations, contacts-watches, history, forms, mesh-files,
# bitmaps, skin-layouts. The seeds of fuzz/corpus/NAME are read, never written: new inputs go to
# build/fuzz/runs/NAME/corpus, a crash to build/fuzz/runs/NAME/ (add it to fuzz/corpus/NAME once
# fixed). SECONDS defaults to 600.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ $# -lt 1 ]; then
  echo "usage: scripts/fuzz.sh NAME [SECONDS] [libFuzzer option...]" >&2
  exit 1
fi
name=$1
seconds=${2:-600}
shift $(( $# >= 2 ? 2 : 1 ))

bash scripts/install-deps.sh
build=${ZENTROVA_FUZZ_BUILD:-build/fuzz}
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" "${generator[@]}" \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTROVA_FUZZ=ON -DZENTROVA_BUILD_BENCH=OFF
fi
# Only the harnesses and what they link: the rest of the program is not built here.
cmake --build "$build" --target "fuzz-$name" -j "${ZENTROVA_JOBS:-4}"

runs="$build/runs/$name"
mkdir -p "$runs/corpus"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
# Every input writes a small model and its history: in memory when the machine has a RAM disk.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
exec "$build/bin/fuzz-$name" "$runs/corpus" "fuzz/corpus/$name" \
  -dict="fuzz/dictionaries/$name.dict" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=16384 -print_final_stats=1 -artifact_prefix="$runs/" "$@"
