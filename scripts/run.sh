#!/usr/bin/env bash
# Installs what is missing, builds the Release program and runs it on the bundled example model.
# The model runs from a copy under build/, so the source tree stays as it was; its histories collect there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

build=build/release
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DZENTROVA_BUILD_TESTS=OFF -DZENTROVA_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
bin="$root/$build/bin"

# The example's own files only (never the histories a run recorded): the copy is refreshed every time.
example=falling-box
model="$root/build/run/$example"
mkdir -p "$model"
find "examples/$example" -maxdepth 1 -type f -exec cp -f {} "$model/" \;
world="$model/$example.wld"

"$bin/zentrova-run" "$world" "$@"
echo "The run was recorded in the history folder printed above, under $model/."
