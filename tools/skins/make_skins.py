#!/usr/bin/env python3
"""Draws the window skins: data/skin/main.svg and data/skin/exporter.svg.

Each skin is one SVG holding, side by side, the eight border pieces and the three title-bar
buttons in their normal, hover and pressed states, each a group whose id names it. A piece's
first shape spans its whole box, so the bounds the program reads are the piece's size. The
colours are the blues of the compiled-in pictures: the dark tab blue for the title bar and the
frame, the pale tab blue for highlights.

    python3 tools/skins/make_skins.py        rewrites both files in data/skin
"""
import os

DARK_EDGE = "#0f5a88"     # outer outline
TITLE_TOP = "#3199d6"     # title bar gradient, top
TITLE_BOTTOM = "#176fa5"  # title bar gradient, bottom
HIGHLIGHT = "#8fcdf0"     # inner highlight under the outline
SIDE = "#1a75ab"          # side and bottom borders
SIDE_INNER = "#0f5a88"    # line between the border and the content
GLYPH = "#ffffff"
HOVER = "#5bb3e6"
PRESSED = "#0d4f78"
CLOSE_HOVER = "#e0533f"
CLOSE_PRESSED = "#a8321f"


class Skin:
    def __init__(self, title, side, bottom, radius_top, radius_bottom, corner_w, topright_w,
                 button_w, button_h):
        self.title = title            # height of the top border
        self.side = side              # width of the left and right borders
        self.bottom = bottom          # height of the bottom border
        self.rt = radius_top          # outer radius of the top corners
        self.rb = radius_bottom       # outer radius of the bottom corners
        self.corner_w = corner_w      # width of the top-left piece
        self.topright_w = topright_w  # width of the top-right piece, which holds the buttons
        self.bw = button_w
        self.bh = button_h
        self.parts = []
        self.x = 0                    # next free place in the sheet

    def place(self, w):
        x = self.x
        self.x += w + 10
        return x

    def group(self, ident, body):
        self.parts.append(f'  <g id="{ident}">\n{body}  </g>\n')

    # A rectangle whose corners on the given sides are rounded with radius r.
    @staticmethod
    def rounded(x, y, w, h, r, tl=False, tr=False, br=False, bl=False):
        def arc(cond):
            return r if cond else 0
        a, b, c, d = arc(tl), arc(tr), arc(br), arc(bl)
        p = f"M{x + a},{y} H{x + w - b} "
        p += f"A{b},{b} 0 0 1 {x + w},{y + b} " if b else ""
        p += f"V{y + h - c} "
        p += f"A{c},{c} 0 0 1 {x + w - c},{y + h} " if c else ""
        p += f"H{x + d} "
        p += f"A{d},{d} 0 0 1 {x},{y + h - d} " if d else ""
        p += f"V{y + a} "
        p += f"A{a},{a} 0 0 1 {x + a},{y} " if a else ""
        return p + "Z"

    def title_piece(self, ident, w, left_round, right_round):
        x, t, r = self.place(w), self.title, self.rt
        outer = self.rounded(x, 0, w, t, r, tl=left_round, tr=right_round)
        inner = self.rounded(x + (1 if left_round else 0), 1, w - (1 if left_round else 0)
                             - (1 if right_round else 0), t - 1, max(r - 1, 0),
                             tl=left_round, tr=right_round)
        light = self.rounded(x + (r if left_round else 0), 1, w - (r if left_round else 0)
                             - (r if right_round else 0), 1, 0)
        body = (f'    <path d="{outer}" fill="{DARK_EDGE}"/>\n'
                f'    <path d="{inner}" fill="url(#title)"/>\n'
                f'    <path d="{light}" fill="{HIGHLIGHT}" fill-opacity="0.7"/>\n'
                f'    <rect x="{x}" y="{t - 1}" width="{w}" height="1" fill="{SIDE_INNER}"/>\n')
        if left_round:
            body += f'    <rect x="{x}" y="{r}" width="1" height="{t - r}" fill="{DARK_EDGE}"/>\n'
        if right_round:
            body += (f'    <rect x="{x + w - 1}" y="{r}" width="1" height="{t - r}" '
                     f'fill="{DARK_EDGE}"/>\n')
        self.group(ident, body)

    # A vertical side piece; `outer_left` tells which side is the window's outline.
    def side_piece(self, ident, outer_left):
        w, h = self.side, 20
        x = self.place(w)
        ox = x if outer_left else x + w - 1
        ix = x + w - 1 if outer_left else x
        self.group(ident,
                   f'    <rect x="{x}" y="40" width="{w}" height="{h}" fill="{SIDE}"/>\n'
                   f'    <rect x="{ox}" y="40" width="1" height="{h}" fill="{DARK_EDGE}"/>\n'
                   f'    <rect x="{ix}" y="40" width="1" height="{h}" fill="{SIDE_INNER}"/>\n')

    def bottom_piece(self):
        w, h = 20, self.bottom
        x = self.place(w)
        self.group("border_bottom",
                   f'    <rect x="{x}" y="40" width="{w}" height="{h}" fill="{SIDE}"/>\n'
                   f'    <rect x="{x}" y="{40 + h - 1}" width="{w}" height="1" '
                   f'fill="{DARK_EDGE}"/>\n'
                   f'    <rect x="{x}" y="40" width="{w}" height="1" fill="{SIDE_INNER}"/>\n')

    def bottom_corner(self, ident, left):
        w, h, r = self.side, self.bottom, self.rb
        x = self.place(w)
        outer = self.rounded(x, 40, w, h, r, bl=left, br=not left)
        inner = self.rounded(x + (1 if left else 0), 40, w - 1, h - 1, max(r - 1, 0),
                             bl=left, br=not left)
        edge_x = x + w - 1 if left else x
        self.group(ident,
                   f'    <path d="{outer}" fill="{DARK_EDGE}"/>\n'
                   f'    <path d="{inner}" fill="{SIDE}"/>\n'
                   f'    <rect x="{edge_x}" y="40" width="1" height="1" fill="{SIDE_INNER}"/>\n')

    def button(self, kind, state):
        w, h = self.bw, self.bh
        x = self.place(w)
        y = 80
        if state == "normal":
            back = f'    <rect x="{x}" y="{y}" width="{w}" height="{h}" fill="#ffffff" fill-opacity="0"/>\n'
        else:
            if kind == "close":
                colour = CLOSE_HOVER if state == "hover" else CLOSE_PRESSED
            else:
                colour = HOVER if state == "hover" else PRESSED
            back = (f'    <rect x="{x}" y="{y}" width="{w}" height="{h}" rx="3" ry="3" '
                    f'fill="{colour}"/>\n')
        cx, cy = x + w / 2, y + h / 2
        if kind == "minimize":
            glyph = (f'    <rect x="{cx - 5}" y="{cy + 2}" width="10" height="2" '
                     f'fill="{GLYPH}"/>\n')
        elif kind == "maximize":
            glyph = (f'    <path fill-rule="evenodd" fill="{GLYPH}" d="M{cx - 5},{cy - 5} h10 v10 '
                     f'h-10 Z M{cx - 4},{cy - 2} v6 h8 v-6 Z"/>\n')
        else:
            glyph = (f'    <path stroke="{GLYPH}" stroke-width="2" stroke-linecap="round" '
                     f'd="M{cx - 4},{cy - 4} L{cx + 4},{cy + 4} M{cx + 4},{cy - 4} '
                     f'L{cx - 4},{cy + 4}"/>\n')
        self.group(f"{kind}_button_{state}", back + glyph)

    def svg(self):
        self.title_piece("border_topleft", self.corner_w, True, False)
        self.title_piece("border_top", 20, False, False)
        self.title_piece("border_topright", self.topright_w, False, True)
        self.side_piece("border_left", True)
        self.side_piece("border_right", False)
        self.bottom_piece()
        self.bottom_corner("border_bottomleft", True)
        self.bottom_corner("border_bottomright", False)
        self.x = 0
        for kind in ("minimize", "maximize", "close"):
            for state in ("normal", "hover", "pressed"):
                self.button(kind, state)
        width = max(self.x, 400)
        head = (f'<?xml version="1.0" encoding="UTF-8"?>\n'
                f'<!-- Made by tools/skins/make_skins.py; edit that and run it again. -->\n'
                f'<svg xmlns="http://www.w3.org/2000/svg" version="1.1" width="{width}" '
                f'height="120" viewBox="0 0 {width} 120">\n'
                f'  <defs>\n'
                f'    <linearGradient id="title" x1="0" y1="0" x2="0" y2="{self.title}" '
                f'gradientUnits="userSpaceOnUse">\n'
                f'      <stop offset="0" stop-color="{TITLE_TOP}"/>\n'
                f'      <stop offset="1" stop-color="{TITLE_BOTTOM}"/>\n'
                f'    </linearGradient>\n'
                f'  </defs>\n')
        return head + "".join(self.parts) + "</svg>\n"


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "skin")
    skins = {
        # The main window and its library window: a 30-pixel title bar, 6-pixel borders.
        "main.svg": Skin(title=30, side=6, bottom=6, radius_top=8, radius_bottom=4,
                         corner_w=12, topright_w=110, button_w=28, button_h=20),
        # The small dialogs: a lower title bar and thinner borders, rounded all round.
        "exporter.svg": Skin(title=26, side=4, bottom=4, radius_top=6, radius_bottom=4,
                             corner_w=10, topright_w=40, button_w=24, button_h=18),
    }
    for name, skin in skins.items():
        with open(os.path.join(out, name), "w", encoding="utf-8") as f:
            f.write(skin.svg())


if __name__ == "__main__":
    main()
