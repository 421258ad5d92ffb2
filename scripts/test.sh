#!/usr/bin/env bash
# Runs every test headless: installs what is missing, builds with warnings as errors,
# starts a private X server and a PulseAudio daemon (a null sink as speaker, a pipe source
# fed a 660 Hz tone as microphone), runs ctest, stops what it started and returns ctest's
# status.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh" || exit 1
bash "$root/scripts/build.sh" -DECHORA_WERROR=ON -DECHORA_TESTS=ON || exit 1

work=$(mktemp -d /tmp/echora-test.XXXXXX)
chmod 700 "$work"
pids=()
stop_all() {
  # PulseAudio first: the tone feeder blocks on the pipe until the daemon is gone.
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap stop_all EXIT

# X server on a free display.
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Sound server with a speaker and a microphone.
export XDG_RUNTIME_DIR="$work/xdg"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cat >"$work/ci.pa" <<PA
.fail
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=spk
load-module module-pipe-source source_name=fakemic file=$work/fakemic.fifo format=s16le rate=44100 channels=2
set-default-sink spk
set-default-source fakemic
PA
HOME="$work" pulseaudio -n -F "$work/ci.pa" --daemonize=no --exit-idle-time=-1 \
  --log-target=stderr 2>"$work/pulse.log" &
pulse_pid=$!
# The pipe source makes its FIFO itself; the feeder starts once it is there.
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && [ -p "$work/fakemic.fifo" ] && break; sleep 0.1; done
ffmpeg -nostdin -loglevel error -re -f lavfi -i sine=frequency=660:sample_rate=44100 \
  -ac 2 -f s16le -y "$work/fakemic.fifo" &
feeder_pid=$!
pids=("$pulse_pid" "$feeder_pid" "$xvfb_pid")
export ECHORA_FAKEMIC_HZ=660

cd "$root/build"
ctest --output-on-failure -j2 --timeout 600
status=$?
exit $status
