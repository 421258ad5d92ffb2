#!/usr/bin/env bash
# Configures and builds Echora into build/ (extra arguments go to the configure step).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build" "$@" >/dev/null
cmake --build "$root/build" -j"$(nproc)"
