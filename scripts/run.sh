#!/usr/bin/env bash
# Installs what is missing, builds, prepares the learner's folder and opens the trainer in it.
# The folder is $ECHORA_HOME (default ~/Echora); a second run keeps everything the learner
# made there (profile.ini, recordings, lists, imported materials).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"
bash "$root/scripts/build.sh"
home=${ECHORA_HOME:-$HOME/Echora}
mkdir -p "$home/files" "$home/workspace/train" "$home/respool"
# Copy the shipped data without replacing anything that is already there.
cp -rn "$root/data/runtime/." "$home/"
cd "$home"
exec "$root/build/app/echora"
