#!/usr/bin/env bash
# Installs what is missing, builds the Release program and shows it running the bundled falling box.
# The model runs from a copy under build/, so the source tree stays as it was; its histories collect there.
# Arguments, when given, go to the program instead of the example's job file.
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

# The example's job continues history 000, whose first state zentrova-run records once.
if [ ! -f "$model/000/data.txt" ] || [ ! -f "$model/000/log.txt" ]; then
  "$bin/zentrova-run" "$model/$example.wld" --until 0 >/dev/null
fi
echo "The run is recorded in $model/000/."
if [ "$#" -gt 0 ]; then
  exec "$bin/zentrova" "$@"
elif [ -n "${DISPLAY:-}" ]; then
  # The box falls, bounces and settles; the window stays open afterwards.
  exec "$bin/zentrova" "$model/$example.job"
else
  # No display (a CI machine): a virtual one, and the same job with an exit at its finish.
  exec timeout 600 xvfb-run -a "$bin/zentrova" "$model/$example-exit.job"
fi
