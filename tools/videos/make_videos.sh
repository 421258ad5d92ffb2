#!/usr/bin/env bash
# Makes the help and about videos that the trainer plays in its full-playing
# layout: slides with Chinese and English text drawn by ImageMagick, English
# and Mandarin narration spoken by espeak-ng, joined by ffmpeg into FLV files
# with H.264 video (640x360, 25 fps) and MP3 audio. Each slide lasts as long as
# its narration. Run by hand; the build never runs it.
#
#   bash tools/videos/make_videos.sh [-o OUTDIR] [-k WORKDIR] [help] [about]
#
#   -o OUTDIR   where help.flv and about.flv go (default: data/runtime of this
#               repository)
#   -k WORKDIR  keep the slide pictures and narration files in WORKDIR
#   help about  which videos to make (default: both)
#
# Needs: imagemagick, espeak-ng (with espeak-ng-data), ffmpeg, fontconfig and
# fonts-wqy-microhei. Running it again with the same packages gives the same
# files.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
OUT=$(cd "$HERE/../.." && pwd)/data/runtime
KEEP=''

FPS=25
LEAD=0.4 # silence before the narration of a slide (s)
GAP=0.3 # between the English and the Chinese narration (s)
TAIL=0.7 # after the narration, before the next slide (s)
FADE=0.3 # fade in and out of each slide (s)
VOICE_EN='en-us'
VOICE_ZH=cmn-latn-pinyin # reads Chinese characters as Mandarin with tones
SPEED_EN=170
SPEED_ZH=170

usage() {
	sed -n '8,13p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
	exit "${1:-0}"
}

while getopts 'o:k:h' opt; do
	case $opt in
	o) OUT=$OPTARG ;;
	k) KEEP=$OPTARG ;;
	h) usage 0 ;;
	*) usage 2 ;;
	esac
done
shift $((OPTIND - 1))
VIDEOS=("$@")
((${#VIDEOS[@]})) || VIDEOS=(help about)
for v in "${VIDEOS[@]}"; do
	[[ $v == help || $v == about ]] || {
		echo "unknown video: $v (help or about)" >&2
		exit 2
	}
done

missing=()
for tool in convert:imagemagick espeak-ng:espeak-ng ffmpeg:ffmpeg ffprobe:ffmpeg fc-match:fontconfig awk:mawk; do
	command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
FONT=''
if command -v fc-match >/dev/null; then
	FONT=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei')
	[[ $FONT == *wqy-microhei* ]] || missing+=(fonts-wqy-microhei)
fi
if command -v espeak-ng >/dev/null && ! espeak-ng --voices=cmn | grep -q "$VOICE_ZH"; then
	missing+=(espeak-ng-data)
fi
if ((${#missing[@]})); then
	echo "missing: apt-get install $(printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' ')" >&2
	exit 1
fi

mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
if [[ -n $KEEP ]]; then
	mkdir -p "$KEEP"
	WORK=$(cd "$KEEP" && pwd)
else
	WORK=$(mktemp -d)
	trap 'rm -rf "$WORK"' EXIT
fi

# shellcheck source=draw.sh
source "$HERE/draw.sh"

slide() { # FUNCTION NARRATION_EN NARRATION_ZH
	SL_FN+=("$1")
	SL_EN+=("$2")
	SL_ZH+=("$3")
}

seconds() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }

# narrate EN ZH OUT.wav: speaks the slide's narration into OUT.wav (44.1 kHz
# mono) padded to a whole number of frames; sets DUR to its length.
narrate() {
	local en=$1 zh=$2 out=$3 len_en len_zh=0 total
	espeak-ng -v "$VOICE_EN" -s "$SPEED_EN" -w "$WORK/en.wav" "$en"
	len_en=$(seconds "$WORK/en.wav")
	local inputs=(-i "$WORK/en.wav") graph="[0:a]aresample=44100[n]"
	if [[ -n $zh ]]; then
		espeak-ng -v "$VOICE_ZH" -s "$SPEED_ZH" -w "$WORK/zh.wav" "$zh"
		len_zh=$(seconds "$WORK/zh.wav")
		inputs+=(-i "$WORK/zh.wav")
		graph="[0:a]aresample=44100,apad=pad_dur=${GAP}[e];[1:a]aresample=44100[z];[e][z]concat=n=2:v=0:a=1[n]"
	fi
	total=$(awk -v a="$len_en" -v b="$len_zh" -v lead="$LEAD" -v gap="$GAP" -v tail="$TAIL" 'BEGIN {
		print lead + a + (b > 0 ? gap + b : 0) + tail }')
	DUR=$(awk -v t="$total" -v fps="$FPS" 'BEGIN { f = int(t * fps); if (f < t * fps) f++; printf "%.2f", f / fps }')
	ffmpeg -v error -y "${inputs[@]}" -filter_complex \
		"$graph;[n]adelay=$(awk -v l="$LEAD" 'BEGIN { print l * 1000 }'):all=1,apad=whole_dur=$DUR,atrim=end=${DUR}[a]" \
		-map '[a]' -ac 1 -ar 44100 -c:a pcm_s16le -fflags +bitexact -flags:a +bitexact "$out"
}

# cursor HEIGHT: the playing cursor picture for an animation.
cursor() {
	local f="$WORK/cursor-$1.png"
	[[ -f $f ]] || convert -size "4x$1" xc:'rgba(157,214,240,0.5)' -fill white \
		-draw "rectangle 1,0 2,$(($1 - 1))" -depth 8 "$f"
	printf '%s' "$f"
}

make_video() { # NAME
	local name=$1 i n k=0 a x0 x1 y h period cur graph="" segs="" list
	list="$WORK/$name-audio.txt"
	SL_FN=() SL_EN=() SL_ZH=()
	# shellcheck source=help_slides.sh
	source "$HERE/${name}_slides.sh"
	n=${#SL_FN[@]}
	local inputs=()
	: >"$list"
	for ((i = 0; i < n; i++)); do
		SLIDE_ID="$name-$i"
		slide_reset
		background
		"${SL_FN[i]}"
		footer $((i + 1)) "$n"
		render_slide "$WORK/$name-$i.png"
		narrate "${SL_EN[i]}" "${SL_ZH[i]}" "$WORK/$name-$i.wav"
		echo "file '$name-$i.wav'" >>"$list"
		printf '  %-16s %5ss\n' "${SL_FN[i]}" "$DUR"

		inputs+=(-loop 1 -framerate "$FPS" -t "$DUR" -i "$WORK/$name-$i.png")
		cur="[$k:v]"
		k=$((k + 1))
		local j=0
		for a in "${ANIMS[@]}"; do
			read -r x0 x1 y h period <<<"$a"
			inputs+=(-loop 1 -framerate "$FPS" -t "$DUR" -i "$(cursor "$h")")
			graph+="${cur}[$k:v]overlay=x='$x0+($x1-$x0)*mod(t,$period)/$period':y=${y}[o$i-$j];"
			cur="[o$i-$j]"
			k=$((k + 1))
			j=$((j + 1))
		done
		graph+="${cur}fade=t=in:st=0:d=$FADE:color=$C_BG1,fade=t=out:st=$(awk -v d="$DUR" -v f="$FADE" 'BEGIN { print d - f }'):d=$FADE:color=$C_BG1,format=yuv420p[s$i];"
		segs+="[s$i]"
	done
	graph+="${segs}concat=n=$n:v=1:a=0[v]"

	ffmpeg -v error -y "${inputs[@]}" -f concat -safe 0 -i "$list" -filter_complex "$graph" \
		-map '[v]' -map "$k:a" \
		-c:v libx264 -preset slower -tune stillimage -crf 24 -profile:v main -pix_fmt yuv420p \
		-g 125 -r "$FPS" -x264-params threads=1 \
		-c:a libmp3lame -b:a 64k -ar 44100 -ac 2 \
		-map_metadata -1 -fflags +bitexact -flags:v +bitexact -flags:a +bitexact \
		-flvflags add_keyframe_index \
		-f flv "$WORK/$name.flv"
	mv -f "$WORK/$name.flv" "$OUT/$name.flv"
	printf '%s.flv: %s s, %s bytes\n' "$name" "$(seconds "$OUT/$name.flv")" "$(stat -c %s "$OUT/$name.flv")"
}

for v in "${VIDEOS[@]}"; do
	echo "$v:"
	make_video "$v"
done
