# shellcheck shell=bash disable=SC2034 # FOOT_TEXT is read by draw.sh
# Slides and narration of the about video: what the product is, for whom, and
# what it does. Drawn with the helpers of draw.sh.

FOOT_TEXT='关于 · About'

about_title() {
	circle 120 300 160 'rgba(108,177,207,0.05)'
	wave 0 246 640 56 0.7
	text 320 98 30 "$C_SOFT" middle "声林口语训练软件"
	text 320 164 56 "$C_TEXT" middle "Echora" bold
	grad_bar 290 182 60 4 2
	text 320 214 17 "$C_SUB" middle "A trainer for spoken English"
}

pill() { # X0 X1 Y ZH EN
	rrect "$1" "$3" "$2" $(($3 + 50)) 25 "$C_CARD2"
	text $((($1 + $2) / 2)) $(($3 + 23)) 17 "$C_TEXT" middle "$4"
	text $((($1 + $2) / 2)) $(($3 + 41)) 11 "$C_SUB" middle "$5"
}

about_who() {
	header "为谁设计" "Who it is for"
	text 320 158 24 "$C_TEXT" middle "专为中文母语的英语学习者设计" bold
	text 320 186 15 "$C_SUB" middle "Made for Chinese-speaking learners of English"
	pill 58 218 226 "发音" "Pronunciation"
	pill 240 400 226 "语调" "Intonation"
	pill 422 582 226 "流利" "Fluency"
}

step() { # CX ZH EN
	circle "$1" 172 34 "$C_CARD2" "$C_ACC1" 2
	text "$1" 246 18 "$C_TEXT" middle "$2" bold
	text "$1" 266 13 "$C_SUB" middle "$3"
}

chevron() { # X
	path none "$C_ACC1" 3 "M $1,162 L $(($1 + 10)),172 L $1,182"
}

about_how() {
	header "练习方法" "How it works"
	step 100 "听" "Listen"
	icon_volume 102 172
	chevron 168
	step 247 "模仿" "Imitate"
	icon_loop 247 176 10
	chevron 315
	step 393 "录音" "Record"
	icon_record 393 172 16
	chevron 461
	step 540 "对比" "Compare"
	icon_compare 540 172
	text 320 298 15 "$C_SOFT" middle "你的波形和原声放在一起，差别一目了然"
	text 320 314 11 "$C_SUB" middle "Your waveform beside the original shows the difference at a glance"
}

feature() { # X Y ZH EN
	rrect "$1" "$2" $(($1 + 280)) $(($2 + 92)) 12 "$C_CARD"
	grad_bar $(($1 + 16)) $(($2 + 22)) 5 48 2
	text $(($1 + 34)) $(($2 + 44)) 19 "$C_TEXT" start "$3" bold
	text $(($1 + 34)) $(($2 + 66)) 13 "$C_SUB" start "$4"
}

about_features() {
	header "主要功能" "Features"
	feature 28 108 "三个练习阶段" "Three practice phases"
	feature 332 108 "波形对比" "Compare waveforms"
	feature 28 212 "三级材料库" "A library in three levels"
	feature 332 212 "导出录音为 MP3" "Export your recordings to MP3"
}

about_end() {
	wave 0 246 640 56 5.9
	text 320 128 38 "$C_TEXT" middle "谢谢使用" bold
	text 320 166 17 "$C_SUB" middle "Thank you for practising with Echora"
	grad_bar 290 186 60 4 2
	text 320 218 13 "$C_SOFT" middle "声林口语训练软件 · Echora"
}

slide about_title \
	"Echora. A trainer for spoken English." \
	"声林口语训练软件。"
slide about_who \
	"Echora is made for Chinese-speaking learners who want to speak English clearly and naturally." \
	"专为中文母语的英语学习者设计。"
slide about_how \
	"Listen to real English, imitate it, record your own voice, and compare your waveform with the original." \
	"听，模仿，录音，对比。"
slide about_features \
	"It offers three practice phases, a library in three levels, and export of your recordings to MP3." \
	""
slide about_end \
	"Thank you for practising with Echora." \
	"谢谢使用。"
