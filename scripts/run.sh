#!/usr/bin/env bash
# Installs what is missing, builds the Release program and runs it on the bundled example model.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

build=build/release
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DZENTROVA_BUILD_TESTS=OFF -DZENTROVA_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"

bin="$build/bin"
if [ -x "$bin/zentrova" ]; then
  exec "$bin/zentrova" "$@"
elif [ -x "$bin/zentrova-run" ]; then
  exec "$bin/zentrova-run" "${1:-examples/falling-box/falling-box.wld}"
else
  exec "$bin/zentrova-expr" "${@:-2^3^2}"
fi
