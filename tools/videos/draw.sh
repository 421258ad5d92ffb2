# shellcheck shell=bash disable=SC2034 # the colours are used by the slide files
# Drawing helpers for the slides of the help and about videos.
#
# A slide is built up in the globals below and turned into one PNG by
# render_slide. Shapes and texts are ImageMagick draw primitives collected in
# BUF; a pasted picture (waveform, gradient bar) first flushes BUF into ARGS so
# that later shapes land on top of it. ANIMS lists moving cursors that the
# encoder lays over the still picture ("x0 x1 y height period" each).

W=640
H=360
C_BG1='#0A2A40'
C_BG2='#11608E'
C_TEXT='#FFFFFF'
C_SOFT='#DCEFF8'
C_SUB='#9DD6F0'
C_ACC1='#6CB1CF'
C_ACC2='#1171A3'
C_WAVE1='rgb(24,120,164)'
C_WAVE2='rgb(157,214,240)'
C_CARD='rgba(255,255,255,0.09)'
C_CARD2='rgba(255,255,255,0.17)'
C_LINE='rgba(157,214,240,0.45)'
C_REC='#E8636B'

slide_reset() {
	BUF=''
	ARGS=()
	ANIMS=()
	LAYER_NO=0
}

mvg() { BUF+="$*"$'\n'; }

# text X Y SIZE COLOUR ANCHOR(start|middle|end) TEXT [BOLD]
text() {
	mvg "font-size $3"
	mvg "fill '$4'"
	if [[ ${7:-} == bold ]]; then mvg "stroke '$4'" "stroke-width 0.7"; else mvg "stroke none"; fi
	mvg "text-anchor $5"
	mvg "text $1,$2 \"$6\""
	mvg "stroke none"
}

# rrect X0 Y0 X1 Y1 RADIUS FILL [STROKE [WIDTH]]
rrect() {
	mvg "fill '$6'"
	if [[ -n ${7:-} ]]; then mvg "stroke '$7'" "stroke-width ${8:-1}"; else mvg "stroke none"; fi
	mvg "roundrectangle $1,$2 $3,$4 $5,$5"
	mvg "stroke none"
}

# circle CX CY R FILL [STROKE [WIDTH]]
circle() {
	mvg "fill '$4'"
	if [[ -n ${5:-} ]]; then mvg "stroke '$5'" "stroke-width ${6:-1}"; else mvg "stroke none"; fi
	mvg "circle $1,$2 $(($1 + $3)),$2"
	mvg "stroke none"
}

# line X0 Y0 X1 Y1 COLOUR WIDTH
line() { mvg "fill none" "stroke '$5'" "stroke-width $6" "line $1,$2 $3,$4" "stroke none"; }

# poly FILL "x,y x,y ..."
poly() { mvg "fill '$1'" "stroke none" "polygon $2"; }

# path FILL STROKE WIDTH "svg path data"
path() { mvg "fill $1" "stroke '$2'" "stroke-width $3" "stroke-linecap round" "path '$4'" "stroke none"; }

# put FILE X Y: lay a picture over what is drawn so far.
put() {
	flush
	ARGS+=("$1" -geometry "+$2+$3" -composite)
}

flush() {
	if [[ -n $BUF ]]; then
		ARGS+=(-draw "font '$FONT'"$'\n'"$BUF")
		BUF=''
	fi
}

new_layer() { # sets LAYER to a fresh file name for a pasted picture
	LAYER_NO=$((LAYER_NO + 1))
	printf -v LAYER '%s/layer-%s-%02d.png' "$WORK" "$SLIDE_ID" "$LAYER_NO"
}

# grad_bar X Y W H RADIUS [C1 C2]: rounded bar in the accent gradient, left to right.
grad_bar() {
	local f
	new_layer
	f=$LAYER
	convert -size "${4}x${3}" gradient:"${6:-$C_ACC1}"-"${7:-$C_ACC2}" -rotate -90 -alpha set \
		\( -size "${3}x${4}" xc:none -fill white -draw "roundrectangle 0,0 $(($3 - 1)),$(($4 - 1)) $5,$5" \) \
		-compose DstIn -composite "$f"
	put "$f" "$1" "$2"
}

# wave X Y W H SEED [MARKS...]: a waveform picture in the waveform gradient
# (dark at the middle line, light at the peaks). MARKS are x offsets of
# sentence starts; the signal falls silent around them.
wave() {
	local x=$1 y=$2 w=$3 h=$4 seed=$5 f bars half=$(($4 / 2))
	shift 5
	new_layer
	f=$LAYER
	bars=$(awk -v w="$w" -v h="$h" -v seed="$seed" -v marks="$*" 'BEGIN {
		n = split(marks, m, " "); mid = h / 2
		for (x = 0; x + 2 <= w; x += 3) {
			i = x / 3
			env = 0.30 + 0.70 * (0.5 + 0.5 * sin(i * 0.09 + seed)) * (0.65 + 0.35 * sin(i * 0.023 + seed * 2))
			r = sin(i * 12.9898 + seed * 78.233) * 43758.5453; r = r - int(r); if (r < 0) r = -r
			a = env * (0.40 + 0.60 * r)
			for (k = 1; k <= n; k++) { d = x - m[k]; if (d < 0) d = -d; if (d < 7) a = 0.05 }
			if (x < 4 || x > w - 6) a = 0.05
			half = a * (mid - 1); if (half < 1) half = 1
			printf "rectangle %d,%d %d,%d\n", x, mid - half, x + 1, mid + half
		}
	}')
	convert -size "${w}x${half}" gradient:"$C_WAVE2"-"$C_WAVE1" \( +clone -flip \) -append \
		\( -size "${w}x$((half * 2))" xc:black -fill white -draw "$bars" \) \
		-alpha off -compose CopyOpacity -composite "$f"
	put "$f" "$x" "$y"
}

# anim X0 X1 Y HEIGHT PERIOD: a playing cursor that runs from X0 to X1 every PERIOD seconds.
anim() { ANIMS+=("$*"); }

# ---- icons ------------------------------------------------------------------

icon_play() { # CX CY R
	circle "$1" "$2" "$3" "$C_ACC2" "$C_ACC1" 1.5
	local a=$(($3 * 2 / 5))
	poly "$C_TEXT" "$(($1 - a + 2)),$(($2 - a)) $(($1 - a + 2)),$(($2 + a)) $(($1 + a + 2)),$2"
}

icon_volume() { # CX CY
	local x=$1 y=$2
	poly "$C_SOFT" "$((x - 9)),$((y - 3)) $((x - 5)),$((y - 3)) $((x)),$((y - 8)) $((x)),$((y + 8)) $((x - 5)),$((y + 3)) $((x - 9)),$((y + 3))"
	path none "$C_SOFT" 1.6 "M $((x + 4)),$((y - 4)) A 6,6 0 0,1 $((x + 4)),$((y + 4))"
	path none "$C_SOFT" 1.6 "M $((x + 7)),$((y - 8)) A 11,11 0 0,1 $((x + 7)),$((y + 8))"
}

icon_record() { # CX CY R
	circle "$1" "$2" "$3" 'rgba(255,255,255,0.12)' "$C_SOFT" 2
	circle "$1" "$2" $(($3 * 11 / 20)) "$C_REC"
}

icon_help() { # CX CY R
	circle "$1" "$2" "$3" "$C_ACC2" "$C_ACC1" 1.5
	text "$1" $(($2 + $3 * 2 / 5)) $(($3 * 6 / 5)) "$C_TEXT" middle "?" bold
}

icon_mic() { # CX CY
	rrect $(($1 - 4)) $(($2 - 9)) $(($1 + 4)) $(($2 + 3)) 4 "$C_SOFT"
	path none "$C_SOFT" 1.6 "M $(($1 - 7)),$(($2 - 1)) A 7,7 0 0,0 $(($1 + 7)),$(($2 - 1))"
	line "$1" $(($2 + 6)) "$1" $(($2 + 10)) "$C_SOFT" 1.6
}

icon_loop() { # CX CY R: a circular arrow
	local x=$1 y=$2 r=$3
	path none "$C_TEXT" 2 "M $((x + r)),$y A $r,$r 0 1,1 $x,$((y - r))"
	poly "$C_TEXT" "$((x - 1)),$((y - r - 5)) $((x + 6)),$((y - r)) $((x - 1)),$((y - r + 5))"
}

icon_compare() { # CX CY: two small waveforms, one above the other
	local i h x
	for i in 0 1 2 3 4 5 6 7 8; do
		x=$(($1 - 16 + i * 4))
		h=$((2 + (i * 7 + 3) % 9))
		line "$x" $(($2 - 9 - h / 2)) "$x" $(($2 - 9 + h / 2)) "$C_SUB" 2
		h=$((2 + (i * 5 + 6) % 9))
		line "$x" $(($2 + 9 - h / 2)) "$x" $(($2 + 9 + h / 2)) "$C_ACC1" 2
	done
}

icon_eye_off() { # CX CY
	path none "$C_SOFT" 1.8 "M $(($1 - 12)),$2 Q $1,$(($2 - 11)) $(($1 + 12)),$2 Q $1,$(($2 + 11)) $(($1 - 12)),$2 Z"
	circle "$1" "$2" 3 "$C_SOFT"
	line $(($1 - 11)) $(($2 + 9)) $(($1 + 11)) $(($2 - 9)) "$C_REC" 2
}

# ---- slide furniture ---------------------------------------------------------

# background: deep blue diagonal gradient with two faint rings on the right.
background() {
	ARGS=(-size "${W}x${H}" -define gradient:angle=135 gradient:"$C_BG1"-"$C_BG2")
	circle 590 40 120 'rgba(108,177,207,0.06)'
	circle 560 330 70 'rgba(108,177,207,0.05)'
}

# header ZH EN: slide title in Chinese with its English line below.
header() {
	grad_bar 28 32 5 58 2
	text 44 60 27 "$C_TEXT" start "$1" bold
	text 45 85 15 "$C_SUB" start "$2"
	text 612 30 11 "$C_SUB" end "声林口语训练软件 · Echora"
}

# footer INDEX COUNT: product line and slide dots.
footer() {
	local i x0=$((W / 2 - ($2 - 1) * 7))
	line 28 326 612 326 'rgba(157,214,240,0.18)' 1
	text 28 346 11 "$C_SUB" start "$FOOT_TEXT"
	for ((i = 1; i <= $2; i++)); do
		x=$((x0 + (i - 1) * 14))
		if ((i == $1)); then circle "$x" 342 4 "$C_ACC1"; else circle "$x" 342 3 'rgba(157,214,240,0.35)'; fi
	done
}

# bullet X Y ZH EN: a point in Chinese with its English line below.
bullet() {
	circle "$1" $(($2 - 6)) 4 "$C_ACC1"
	text $(($1 + 14)) "$2" 18 "$C_TEXT" start "$3"
	text $(($1 + 14)) $(($2 + 20)) 13 "$C_SUB" start "$4"
}

render_slide() { # OUT.png
	flush
	convert "${ARGS[@]}" -define png:exclude-chunks=date,time -strip "$1"
}
