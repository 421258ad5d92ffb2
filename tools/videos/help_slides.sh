# shellcheck shell=bash disable=SC2034 # FOOT_TEXT is read by draw.sh
# Slides and narration of the help video: the three practice phases and the
# controls a learner uses. Each slide function draws with the helpers of
# draw.sh; slide registers it with its English and Chinese narration.

FOOT_TEXT='帮助视频 · Help'

help_title() {
	circle 120 300 160 'rgba(108,177,207,0.05)'
	wave 0 236 640 64 3.1
	text 320 112 40 "$C_TEXT" middle "帮助视频" bold
	text 320 150 19 "$C_SUB" middle "Help · How to practise with Echora"
	grad_bar 290 170 60 4 2
	text 320 204 16 "$C_SOFT" middle "声林口语训练软件 · 英语口语训练"
}

phase_card() { # X NUMBER ZH EN DESC_ZH1 DESC_ZH2 DESC_EN1 DESC_EN2
	local x=$1
	rrect "$x" 110 $((x + 180)) 312 12 "$C_CARD"
	circle $((x + 28)) 140 15 "$C_ACC2" "$C_ACC1" 1.5
	text $((x + 28)) 147 18 "$C_TEXT" middle "$2" bold
	text $((x + 14)) 192 22 "$C_TEXT" start "$3" bold
	text $((x + 14)) 212 12 "$C_SUB" start "$4"
	line $((x + 14)) 226 $((x + 166)) 226 'rgba(157,214,240,0.25)' 1
	text $((x + 14)) 250 14 "$C_SOFT" start "$5"
	text $((x + 14)) 270 14 "$C_SOFT" start "$6"
	text $((x + 14)) 290 11 "$C_SUB" start "$7"
	text $((x + 14)) 304 11 "$C_SUB" start "$8"
}

help_phases() {
	header "三个练习阶段" "Three practice phases"
	phase_card 28 1 "全文模仿" "Passage Imitation" "听全文，模仿整篇" "整篇一个录音" \
		"Listen, then imitate the whole;" "one recording of the passage"
	phase_card 230 2 "跟读训练" "Listen & Repeat" "逐句跟读" "播放时单句循环" \
		"One recording per sentence;" "the sentence loops as it plays"
	phase_card 432 3 "复述练习" "Retelling Exercise" "用自己的话复述" "录音时隐藏文本" \
		"Free retelling; the text is" "hidden while you record"
	wave 88 124 104 30 1.7
	wave 290 124 104 30 2.4 34 70
	icon_eye_off 560 139
}

wave_row() { # Y ZH EN SEED [MARKS...]: a labelled waveform strip
	local y=$1 zh=$2 en=$3 seed=$4
	shift 4
	rrect 28 "$y" 612 $((y + 42)) 9 "$C_CARD"
	text 40 $((y + 20)) 13 "$C_TEXT" start "$zh"
	text 40 $((y + 35)) 10 "$C_SUB" start "$en"
	wave 124 $((y + 5)) 476 32 "$seed" "$@"
}

help_imitation() {
	header "全文模仿" "Passage Imitation"
	bullet 36 130 "听全文，模仿语音和语调" "Listen to the whole passage and imitate its sounds and rhythm"
	bullet 36 180 "整篇只录一个录音" "Make one recording of the whole passage"
	wave_row 220 "材料全文" "Material" 1.3
	wave_row 270 "当前录音" "Your recording" 4.6
	anim 124 600 222 38 6
}

help_repeat() {
	header "跟读训练" "Listen & Repeat"
	bullet 36 130 "选择一个句子：播放时单句循环" "Pick a sentence: it loops while it plays, until you stop it"
	bullet 36 180 "每句一个录音" "Each sentence gets its own recording"
	rrect 28 212 612 318 10 "$C_CARD"
	rrect 170 226 290 290 6 "$C_CARD2"
	icon_loop 206 240 6
	text 220 245 12 "$C_TEXT" start "循环 loop"
	wave 40 246 560 40 2.2 130 250 400
	local m i=1
	for m in 40 170 290 440; do
		line "$m" 228 "$m" 292 "$C_LINE" 1
		rrect $((m + 4)) 296 $((m + 70)) 312 8 'rgba(255,255,255,0.12)'
		circle $((m + 14)) 304 4 "$C_REC"
		text $((m + 22)) 308 11 "$C_SOFT" start "录音 $i"
		i=$((i + 1))
	done
	anim 170 290 250 36 2.4
}

help_retelling() {
	header "复述练习" "Retelling Exercise"
	rrect 28 108 310 276 12 "$C_CARD"
	rrect 330 108 612 276 12 "$C_CARD"
	icon_play 52 134 12
	text 74 132 15 "$C_TEXT" start "播放时"
	text 74 148 11 "$C_SUB" start "While listening: the text is shown"
	text 44 186 13 "$C_SOFT" start "The baker opens her shop at six."
	text 44 212 13 "$C_SOFT" start "Fresh bread fills the street."
	text 44 238 13 "$C_SOFT" start "Children stop at the window."
	icon_record 354 134 12
	text 376 132 15 "$C_TEXT" start "录音时"
	text 376 148 11 "$C_SUB" start "While recording: the text is hidden"
	rrect 346 176 560 188 6 'rgba(255,255,255,0.13)'
	rrect 346 202 530 214 6 'rgba(255,255,255,0.13)'
	rrect 346 228 546 240 6 'rgba(255,255,255,0.13)'
	icon_eye_off 584 208
	text 320 300 17 "$C_TEXT" middle "用自己的话复述；停止录音后，文本重新显示"
	text 320 318 12 "$C_SUB" middle "Retell in your own words; the text comes back when you stop"
}

control_row() { # Y ZH EN POSITION TOTAL SEED [MARKS...]
	local y=$1 zh=$2 en=$3 pos=$4 total=$5 seed=$6 mid=$(($1 + 26))
	shift 6
	rrect 28 "$y" 612 $((y + 52)) 10 "$C_CARD"
	icon_play 52 "$mid" 13
	text 74 $((mid - 1)) 15 "$C_TEXT" start "$zh"
	text 74 $((mid + 14)) 10 "$C_SUB" start "$en"
	wave 170 $((mid - 20)) 350 40 "$seed" "$@"
	icon_volume 546 "$mid"
	text 604 $((mid - 3)) 10 "$C_SOFT" end "$pos"
	text 604 $((mid + 11)) 10 "$C_SUB" end "$total"
}

help_rows() {
	header "三行波形" "Three waveform rows"
	control_row 104 "当前录音" "Current recording" 00:00:02 00:00:04 5.3
	rrect 240 220 320 266 5 "$C_CARD2"
	control_row 162 "所选单句" "Selected sentence" 00:00:01 00:00:03 2.2
	control_row 220 "材料全文" "Whole material" 00:00:08 00:01:35 1.1 70 150 240
	anim 170 520 164 48 3
	anim 240 320 222 48 3
	text 320 294 13 "$C_SOFT" middle "播放按钮 · 音量图标 · 点击波形跳到该位置"
	text 320 312 11 "$C_SUB" middle "Play button · volume icon · click a waveform to jump there"
}

phase_tab() { # X ZH FILL
	rrect "$1" 120 $(($1 + 108)) 152 8 "$3"
	text $(($1 + 54)) 141 13 "$C_TEXT" middle "$2"
}

help_controls() {
	header "控制面板" "Control panel"
	rrect 28 106 612 166 12 "$C_CARD"
	phase_tab 40 "全文模仿" "$C_CARD"
	grad_bar 152 120 108 32 8
	phase_tab 152 "跟读训练" none
	phase_tab 264 "复述练习" "$C_CARD"
	icon_record 420 136 16
	icon_mic 452 138
	rrect 466 134 530 138 2 'rgba(157,214,240,0.35)'
	rrect 466 134 510 138 2 "$C_ACC1"
	circle 510 136 6 "$C_TEXT"
	icon_help 584 136 14
	icon_record 52 198 12
	text 76 196 16 "$C_TEXT" start "录音按钮：按一下开始录音，再按一下停止"
	text 76 214 12 "$C_SUB" start "Record: press to start recording, press again to stop"
	icon_mic 52 246
	text 76 246 16 "$C_TEXT" start "录音音量：调节麦克风的音量"
	text 76 264 12 "$C_SUB" start "Microphone level: the slider beside the record button"
	icon_help 52 294 12
	text 76 294 16 "$C_TEXT" start "帮助按钮：重播本视频"
	text 76 312 12 "$C_SUB" start "Help: plays this video again"
}

lib_row() { # Y NAME
	text 396 "$1" 12 "$C_SOFT" start "$2"
	text 600 "$1" 12 "$C_ACC1" end "导出"
}

help_library() {
	header "材料库" "Library window"
	bullet 36 130 "右侧窗口：初级、中级、高级" "On the right: basic, intermediate, advanced"
	bullet 36 182 "导入：MP3 文件和同名的 lrc 文件" "Import: an MP3 file with its .lrc sentence file"
	# shellcheck disable=SC1111 # Chinese quotation marks, meant as they are
	bullet 36 234 "点“导出”保存你的录音" "Click 导出 (Export) to save your recordings"
	rrect 372 104 612 316 12 "$C_CARD"
	grad_bar 380 112 70 24 6
	text 415 129 13 "$C_TEXT" middle "初级"
	text 487 129 13 "$C_SUB" middle "中级"
	text 559 129 13 "$C_SUB" middle "高级"
	line 380 140 604 140 'rgba(157,214,240,0.25)' 1
	poly "$C_SOFT" "382,152 392,152 387,158"
	text 398 160 12 "$C_TEXT" start "导入的材料"
	rrect 380 170 604 190 5 'rgba(255,255,255,0.12)'
	lib_row 184 "Lesson 01"
	lib_row 208 "Lesson 02"
	lib_row 232 "Lesson 03"
	lib_row 256 "Lesson 04"
	grad_bar 380 276 96 30 8
	text 428 296 13 "$C_TEXT" middle "导入 Import"
	rrect 484 276 604 306 8 "$C_CARD2"
	text 544 296 12 "$C_SOFT" middle "在线列表 Online"
}

help_start() {
	header "开始练习" "Get started"
	icon_help 82 160 30
	text 130 156 19 "$C_TEXT" start "帮助按钮随时重播本视频"
	text 130 178 13 "$C_SUB" start "The help button plays this video again at any time"
	rrect 28 214 612 300 12 "$C_CARD"
	text 52 252 21 "$C_TEXT" start "请从右边列表选择练习材料" bold
	text 52 278 14 "$C_SUB" start "Choose a material from the list on the right"
	grad_bar 520 250 46 10 5
	poly "$C_ACC1" "562,240 588,255 562,270"
}

slide help_title \
	"Welcome to Echora, your trainer for spoken English. Here is how to practise." \
	""
slide help_phases \
	"There are three practice phases, shown as tabs on the control panel." \
	""
slide help_imitation \
	"Passage Imitation: listen to the whole passage, then imitate it in one recording." \
	""
slide help_repeat \
	"Listen and Repeat: a sentence loops while it plays, and each sentence has its own recording." \
	"单句循环。"
slide help_retelling \
	"Retelling Exercise: retell in your own words. The text is hidden while you record." \
	"录音时隐藏文本。"
slide help_rows \
	"Three waveform rows show your recording, the selected sentence, and the whole material, each with a play button and a volume icon." \
	""
slide help_controls \
	"Press the record button to record, and again to stop. The slider beside it sets the microphone level." \
	""
slide help_library \
	"The library on the right has three levels. Import adds a material, and Export saves your recordings." \
	""
slide help_start \
	"The help button plays this video again. Now choose a material, and enjoy your practice!" \
	"请从右边列表选择练习材料。"
