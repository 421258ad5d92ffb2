#!/usr/bin/env bash
# Installs what is missing, builds, prepares the learner's folder and opens the trainer in it.
# The folder is $ECHORA_HOME (default ~/Echora); a second run keeps everything the learner
# made there (profile.ini, recordings, lists, imported materials).
# With ECHORA_SETUP_ONLY=1 it stops before opening the trainer (used by scripts/fresh-check.sh).
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
if [ "${ECHORA_SETUP_ONLY:-0}" = 1 ]; then
  echo "Set up in $home; open the trainer with: cd \"$home\" && \"$root/build/app/echora\""
  exit 0
fi
cd "$home"
exec "$root/build/app/echora"
