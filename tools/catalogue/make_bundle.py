#!/usr/bin/env python3
"""Makes the catalogue installed with the trainer (the default list server): speaks the texts
of bundle_texts.py the way tools/demo makes the demo materials, then turns them into a
catalogue with make_catalogue.py.

Usage: make_bundle.py RUNTIME_DIR   (writes RUNTIME_DIR/catalogue/)
Needs: espeak-ng, ffmpeg (libmp3lame).
"""
import os
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "demo"))
from bundle_texts import MATERIALS  # noqa: E402
from make_catalogue import make_catalogue  # noqa: E402
from make_demo import make  # noqa: E402


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    for tool in ("espeak-ng", "ffmpeg"):
        if not shutil.which(tool):
            sys.exit("missing tool: " + tool)
    out = os.path.join(sys.argv[1], "catalogue")
    with tempfile.TemporaryDirectory() as source:
        titles = []
        for mat in MATERIALS:
            folder = os.path.join(source, mat["level"])
            os.makedirs(folder, exist_ok=True)
            name = make(mat, folder)
            titles.append("%s\t%s %s" % (name, mat["title_zh"], mat["title_en"]))
            print("made", name, flush=True)
        with open(os.path.join(source, "titles.txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(titles) + "\n")
        if os.path.isdir(out):
            shutil.rmtree(out)
        make_catalogue(source, out)


if __name__ == "__main__":
    main()
