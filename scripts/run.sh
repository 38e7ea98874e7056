#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Tessaly on the bundled example models.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
cmake -S "$top" -B "$top/build-release" -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF -DTESSALY_BENCH=OFF >/dev/null
cmake --build "$top/build-release" -j "$(nproc)" --target tessaly
cd "$top/examples"
exec "$top/build-release/tessaly" "$@"
