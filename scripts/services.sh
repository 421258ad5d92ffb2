# shellcheck shell=bash
# Sourced by the test command and the benchmark report: a private X server and a PulseAudio
# daemon with a null sink as speaker and, as microphone, the monitor of a second null sink that
# a 660 Hz tone is played into. The sound server clocks that microphone, so a recording of N
# seconds holds N seconds of tone however long the microphone sat unread before. (The tone is
# played with a small latency: the server then hands the monitor small blocks.)
#
#   start_services DIR   starts them with their files in DIR (mode 700); exports DISPLAY,
#                        XDG_RUNTIME_DIR and ECHORA_FAKEMIC_HZ
#   stop_services        stops what start_services started, by PID

service_pids=()

start_services() {
  local work=$1
  # X server on a free display.
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  local xvfb_pid=$!
  service_pids=("$xvfb_pid")
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

  # Sound server with a speaker and a microphone.
  local fakemic_hz=660
  export XDG_RUNTIME_DIR="$work/xdg"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  cat >"$work/services.pa" <<PA
.fail
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=spk
load-module module-null-sink sink_name=mic
set-default-sink spk
set-default-source mic.monitor
PA
  HOME="$work" pulseaudio -n -F "$work/services.pa" --daemonize=no --exit-idle-time=-1 \
    --log-target=stderr 2>"$work/pulse.log" &
  local pulse_pid=$!
  service_pids=("$pulse_pid" "$xvfb_pid")
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  # The tone, written as fast as the server takes it (the server sets the pace).
  ffmpeg -nostdin -loglevel error -f lavfi -i "sine=frequency=$fakemic_hz:sample_rate=44100" \
    -ac 2 -f pulse -device mic -buffer_duration 200 echora-fakemic 2>"$work/fakemic.log" &
  local feeder_pid=$!
  service_pids=("$feeder_pid" "$pulse_pid" "$xvfb_pid")
  for _ in $(seq 100); do
    pactl list short sink-inputs 2>/dev/null | grep -q . && break
    sleep 0.1
  done
  export ECHORA_FAKEMIC_HZ=$fakemic_hz
}

stop_services() {
  for pid in "${service_pids[@]}"; do
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  service_pids=()
}
