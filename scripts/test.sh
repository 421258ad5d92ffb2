#!/usr/bin/env bash
# Runs every test headless: installs what is missing, builds with warnings as errors,
# starts a private X server and a PulseAudio daemon (a null sink as speaker, a tone
# of 660 Hz as microphone), runs ctest, stops what it started and returns ctest's
# status.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh" || exit 1
bash "$root/scripts/build.sh" -DECHORA_WERROR=ON -DECHORA_TESTS=ON || exit 1

# shellcheck source=services.sh
source "$root/scripts/services.sh"
work=$(mktemp -d /tmp/echora-test.XXXXXX)
chmod 700 "$work"
trap 'stop_services; rm -rf "$work"' EXIT
start_services "$work"

cd "$root/build" || exit 1
ctest --output-on-failure -j2 --timeout 600
