#!/usr/bin/env bash
# Installs what is missing, builds, prepares the learner's folder and opens the trainer in it.
# The folder is $ECHORA_HOME (default ~/Echora); a second run keeps everything the learner
# made there (profile.ini, recordings, lists, imported materials).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"
# Only the trainer itself: the tests are built by the test command.
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target echora
home=${ECHORA_HOME:-$HOME/Echora}
mkdir -p "$home/files" "$home/workspace/train" "$home/respool"
# Copy the shipped data without replacing anything that is already there.
cp -rn "$root/data/runtime/." "$home/"
cd "$home"
exec "$root/build/app/echora"
