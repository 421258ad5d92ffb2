#!/usr/bin/env python3
"""Turns a folder of practice materials into a catalogue that any static web server (or a
plain folder read through a file:// URL) can serve to the trainer's online lists.

Usage: make_catalogue.py SOURCE OUT [--base-url URL]

SOURCE holds one sub-folder per level: "basic" (初级), "advanced" (中级), "expert" (高级);
a missing one gives an empty level. Each holds media files (MP3, MP4, ...) with a ".lrc"
script of the same base name beside them. Titles come from an optional "titles.txt" in SOURCE,
one "file name<TAB>title" per line, else from the file name ("town_mouse" -> "town mouse").

OUT receives the list document "inter/imitate.php" and a copy of every material under
OUT/<level>/. The media URLs in the list are relative to the list ("../basic/x.mp3"), so the
folder can be served from any address; with --base-url they are absolute instead.
"""
import argparse
import os
import shutil
import sys
import urllib.parse
from xml.sax.saxutils import escape

LEVELS = ["basic", "advanced", "expert"]
LEVEL_TITLES = {"basic": "初级", "advanced": "中级", "expert": "高级"}
MEDIA = {".mp3", ".mp4", ".m4a", ".flv", ".ogg", ".wav", ".mkv", ".webm"}
LIST_PATH = os.path.join("inter", "imitate.php")


def read_titles(source):
    titles = {}
    path = os.path.join(source, "titles.txt")
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.rstrip("\n")
                if "\t" in line and not line.startswith("#"):
                    name, title = line.split("\t", 1)
                    titles[name.strip()] = title.strip()
    return titles


def materials(folder):
    """Media files of a level folder that have their script beside them, sorted by name."""
    if not os.path.isdir(folder):
        return []
    found = []
    for name in sorted(os.listdir(folder)):
        base, ext = os.path.splitext(name)
        if ext.lower() not in MEDIA:
            continue
        if not os.path.isfile(os.path.join(folder, base + ".lrc")):
            print("skipped (no %s.lrc): %s" % (base, name), file=sys.stderr)
            continue
        found.append(name)
    return found


def media_url(level, name, base_url):
    quoted = urllib.parse.quote(name)
    if base_url:
        return "%s/%s/%s" % (base_url.rstrip("/"), level, quoted)
    return "../%s/%s" % (level, quoted)


def list_document(channels):
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<rss version="2.0">']
    for level, items in channels:
        out.append("  <channel>")
        out.append("    <title>%s</title>" % escape(LEVEL_TITLES[level]))
        for title, url in items:
            out.append("    <item>")
            out.append("      <title>%s</title>" % escape(title))
            out.append("      <audiourl>%s</audiourl>" % escape(url))
            out.append("    </item>")
        out.append("  </channel>")
    out.append("</rss>")
    return "\n".join(out) + "\n"


def make_catalogue(source, out, base_url=None):
    titles = read_titles(source)
    channels = []
    for level in LEVELS:
        folder = os.path.join(source, level)
        items = []
        names = materials(folder)
        if names:
            os.makedirs(os.path.join(out, level), exist_ok=True)
        for name in names:
            base = os.path.splitext(name)[0]
            for file_name in (name, base + ".lrc"):
                shutil.copyfile(os.path.join(folder, file_name),
                                os.path.join(out, level, file_name))
            title = titles.get(name) or base.replace("_", " ")
            items.append((title, media_url(level, name, base_url)))
        channels.append((level, items))
    os.makedirs(os.path.join(out, "inter"), exist_ok=True)
    with open(os.path.join(out, LIST_PATH), "w", encoding="utf-8", newline="\n") as f:
        f.write(list_document(channels))
    return channels


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("source")
    parser.add_argument("out")
    parser.add_argument("--base-url", default=None)
    args = parser.parse_args()
    channels = make_catalogue(args.source, args.out, args.base_url)
    for level, items in channels:
        print("%s: %d materials" % (level, len(items)))


if __name__ == "__main__":
    main()
