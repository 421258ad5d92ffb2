#!/usr/bin/env bash
# Installs the Debian 12 packages Echora needs to build, run and test, and any named as
# arguments, when any is missing.
# The fonts: the interface names "Times New Roman" and "Arial"; Liberation Serif and Sans are
# metric-compatible with them, so text lays out the same on every machine (without them
# fontconfig falls back to the wider DejaVu faces). The CJK font draws the Chinese glosses.
# Rubber Band stretches the model's speed; aubio finds pitch; espeak-ng speaks test sentences.
set -euo pipefail
packages=(cmake g++ make pkg-config clang-format
  qt6-base-dev libqt6opengl6-dev qt6-svg-dev qt6-multimedia-dev qt6-5compat-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  portaudio19-dev libmp3lame-dev libgl-dev librubberband-dev libaubio-dev
  ffmpeg espeak-ng curl xvfb xauth x11-utils pulseaudio pulseaudio-utils libasound2-plugins
  libgl1-mesa-dri libglx-mesa0 fonts-wqy-microhei fonts-liberation2 qt6-qpa-plugins
  qt6-image-formats-plugins)
packages+=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
