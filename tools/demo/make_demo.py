#!/usr/bin/env python3
"""Makes the demo materials of the runtime folder: spoken English synthesised with espeak-ng
sentence by sentence, so every sentence boundary is known exactly, joined with short pauses,
encoded to MP3 (and one H.264/AAC video with a slide per sentence), each with a ".lrc" whose
times fall in the pause before each sentence; and the three local list files naming them.

Usage: make_demo.py RUNTIME_DIR   (writes RUNTIME_DIR/workspace/* and RUNTIME_DIR/*List.xml)
Needs: espeak-ng, ffmpeg (libmp3lame, libx264, aac), ImageMagick's convert, WenQuanYi Micro Hei.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import wave
from xml.sax.saxutils import escape

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from texts import MATERIALS  # noqa: E402

RATE = 22050  # espeak-ng's own output rate
LEVELS = [("basic", "basicList.xml", "初级材料"), ("advanced", "advancedList.xml", "中级材料"),
          ("expert", "expertList.xml", "高级材料")]
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"


def run(args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def synthesise(text, voice, speed, path):
    run(["espeak-ng", "-v", voice, "-s", str(speed), "-w", path, text])
    with wave.open(path, "rb") as w:
        assert w.getframerate() == RATE and w.getnchannels() == 1 and w.getsampwidth() == 2
        return w.readframes(w.getnframes())


def trim(pcm):
    """Drops espeak's leading and trailing near-silence so the pauses are ours alone."""
    n = len(pcm) // 2
    samples = memoryview(pcm).cast("h")
    first, last = 0, n
    while first < n and abs(samples[first]) < 200:
        first += 1
    while last > first and abs(samples[last - 1]) < 200:
        last -= 1
    pad = int(0.03 * RATE)  # keep a breath of the soft onset and release
    return pcm[max(0, first - pad) * 2:min(n, last + pad) * 2]


def lrc_time(seconds):
    hundredths = int(seconds * 100)
    return "[%02d:%02d.%02d]" % (hundredths // 6000, (hundredths // 100) % 60, hundredths % 100)


def build_audio(mat, tmp):
    """Returns (pcm bytes, list of (time, text)) with each time in the middle of the pause
    before its sentence, so a sentence loop never cuts into a word."""
    lines = [mat["title_en"] + "."] + mat["sentences"]
    # Silences are counted in whole samples: a pause of an odd number of bytes would shift
    # every later sample by one byte and turn the speech into noise.
    gap = int(mat["gap"] * RATE)
    pcm = bytearray()
    timed = []
    for i, text in enumerate(lines):
        speech = trim(synthesise(text, mat["voice"], mat["speed"], os.path.join(tmp, "s.wav")))
        start = len(pcm) // 2
        pcm += bytes(2 * (gap if i else gap // 2))
        timed.append((0.0 if i == 0 else (start + gap // 2) / RATE, text))
        pcm += speech
    pcm += bytes(2 * gap * 2)
    return bytes(pcm), timed


def write_wav(path, pcm):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm)


def slide(path, mat, text, index, count):
    run(["convert", "-size", "640x360", "gradient:#27476e-#0b1a2e",
         "-font", FONT, "-fill", "#9fc3f0", "-pointsize", "20", "-gravity", "north",
         "-annotate", "+0+18", mat["title_zh"] + "  " + mat["title_en"],
         "-fill", "white", "-pointsize", "28", "-size", "560x220", "-background", "none",
         "-gravity", "center", "caption:" + text, "-gravity", "center", "-composite",
         "-fill", "#9fc3f0", "-pointsize", "16", "-gravity", "south", "-annotate", "+0+14",
         "%d / %d" % (index + 1, count), path])


def build_video(mat, tmp, wav, timed, total, out):
    concat = os.path.join(tmp, "slides.txt")
    with open(concat, "w") as f:
        for i, (t, text) in enumerate(timed):
            png = os.path.join(tmp, "slide%02d.png" % i)
            slide(png, mat, text, i, len(timed))
            end = timed[i + 1][0] if i + 1 < len(timed) else total
            f.write("file '%s'\nduration %.3f\n" % (png, end - t))
        f.write("file '%s'\n" % png)
    run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "concat", "-safe", "0",
         "-i", concat, "-i", wav, "-map", "0:v", "-map", "1:a", "-r", "25",
         "-c:v", "libx264", "-preset", "veryslow", "-tune", "stillimage", "-crf", "30",
         "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "64k", "-ar", "44100", "-ac", "2",
         "-shortest", "-movflags", "+faststart", out])


def make(mat, workspace):
    with tempfile.TemporaryDirectory() as tmp:
        pcm, timed = build_audio(mat, tmp)
        wav = os.path.join(tmp, "all.wav")
        write_wav(wav, pcm)
        total = len(pcm) / 2 / RATE
        ext = ".mp4" if mat.get("video") else ".mp3"
        media = os.path.join(workspace, mat["name"] + ext)
        if mat.get("video"):
            build_video(mat, tmp, wav, timed, total, media)
        else:
            run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", wav, "-ar", "44100",
                 "-ac", "2", "-c:a", "libmp3lame", "-b:a", "64k", media])
    with open(os.path.join(workspace, mat["name"] + ".lrc"), "w", encoding="utf-8",
              newline="\n") as f:
        for t, text in timed:
            f.write(lrc_time(t) + text + "\n")
    return mat["name"] + ext


def write_list(path, trains):
    """Writes a trains file in the same bytes the library's own writer produces."""
    out = ["<?xml version='1.0' encoding='UTF-8'?>", "<!DOCTYPE parlino>",
           '<parlino version="1.0">']
    for title, cases in trains:
        out.append('    <train folded="no">')
        out.append("        <title>%s</title>" % escape(title))
        for url, case_title in cases:
            out.append('        <case url="%s">' % escape(url, {'"': "&quot;"}))
            out.append("            <title>%s</title>" % escape(case_title))
            out.append("        </case>")
        out.append("    </train>")
    out.append("</parlino>")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    runtime = sys.argv[1]
    workspace = os.path.join(runtime, "workspace")
    os.makedirs(workspace, exist_ok=True)
    for tool in ("espeak-ng", "ffmpeg", "convert"):
        if not shutil.which(tool):
            sys.exit("missing tool: " + tool)
    for level, list_name, group in LEVELS:
        fables, others = [], []
        for mat in MATERIALS:
            if mat["level"] != level:
                continue
            file_name = make(mat, workspace)
            title = "%s%s %s" % (mat["title_zh"], "（视频）" if mat.get("video") else "",
                                 mat["title_en"])
            (others if mat.get("video") or "Address" in mat["title_en"] else fables).append(
                (file_name, title))
            print("made", file_name, flush=True)
        trains = []
        if fables:
            trains.append((group + " · 伊索寓言", fables))
        if others:
            trains.append((group + (" · 演讲" if level == "expert" else " · 视频"), others))
        write_list(os.path.join(runtime, list_name), trains)


if __name__ == "__main__":
    main()
